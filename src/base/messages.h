// Feedback from a conversion to whoever runs it: modal messages about bad records, the one fatal
// error type, and the hook that lets a caller show progress or cancel.
//
// Messages are UTF-8 text. Map data bytes (CP932) are decoded before they are put into a message;
// the bytes themselves stay unchanged everywhere else.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace sheetwright::base {

// Receives the messages that the reference program shows in a modal box with one OK button. The
// conversion goes on once Show returns (the GUI waits for OK, the CLI prints a line, tests
// collect).
class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual void Show(const std::string& utf8_text) = 0;
};

// Called at the points where a long conversion lets the window breathe: after the set-up of a mesh,
// after each line an arc table load reads, after each arc an arc drawer draws. May throw
// ConversionCancelled to abandon the conversion.
class ProgressHook {
 public:
  virtual ~ProgressHook() = default;
  virtual void Step() = 0;
  // A layer row's turn has come: row 1..rows of the conversion's fixed order, whether or not the
  // row is drawn. For showing how far a conversion is.
  virtual void Row(int /*row*/, int /*rows*/) {}
};

// A failure that ends the whole conversion: a field that must be a number but is not, a file that
// exists but cannot be read, a failed store. what() is the exact UTF-8 message.
class ConversionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Thrown by a ProgressHook when the user abandons a conversion.
class ConversionCancelled : public std::runtime_error {
 public:
  ConversionCancelled() : std::runtime_error("cancelled") {}
};

// A sink that drops every message; for callers that only want the drawing.
class NullMessageSink : public MessageSink {
 public:
  void Show(const std::string&) override {}
};

}  // namespace sheetwright::base
