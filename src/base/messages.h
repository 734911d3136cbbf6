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

// Where a message's subject stands: a data file, named relative to its mesh folder, and a line
// (1-based). Empty and 0 when the subject is no line of a data file.
struct Place {
  std::string file;
  long line = 0;
  bool known() const { return !file.empty(); }
};

// A message about bad bytes of a data file: its exact text (UTF-8), the bytes it is about (a view
// into the file's text, valid during the call only) and, once the conversion has found it, where
// those bytes stand.
struct Message {
  std::string text;
  std::string_view subject;
  Place place;
};

// Receives the messages about bad records, which the window shows in a modal box with one OK
// button. The conversion goes on once Show returns (the GUI waits for OK, the CLI prints a line,
// tests collect).
class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual void Show(const std::string& utf8_text) = 0;
  // A message about bytes of a data file. The conversion fills in the place; a sink that can say
  // where overrides this, any other shows the text alone.
  virtual void Report(const Message& message) { Show(message.text); }
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
  // A file of the converted mesh is written next, in the format named (as on the command line:
  // "wmf", "svg", ..., "gpkg"). For showing what a long store is doing.
  virtual void Writing(std::string_view /*format*/) {}
};

// What kind of failure ended a conversion.
enum class FailureKind {
  kData,   // the map data: a field that must be a number but is not, a figure too long
  kRead,   // a file or folder that exists but cannot be read
  kWrite,  // a file that cannot be stored
  kUsage,  // what the caller asked for: a bad list of sheet origins, a sheet it does not place
};

// The one error type of a failed conversion: a field that must be a number but is not, a file that
// exists but cannot be read, a failed store. what() is the exact UTF-8 message shown to the user;
// for a file, path() and reason() are its parts (UTF-8).
class ConversionError : public std::runtime_error {
 public:
  explicit ConversionError(const std::string& message, FailureKind kind = FailureKind::kData)
      : std::runtime_error(message), kind_(kind) {}

  // "<path> を読み込めません: <reason>"
  static ConversionError Unreadable(const std::string& path, const std::string& reason) {
    return ConversionError(FailureKind::kRead, path, reason, " を読み込めません: ");
  }
  // "<path> に書き込めません: <reason>"
  static ConversionError Unwritable(const std::string& path, const std::string& reason) {
    return ConversionError(FailureKind::kWrite, path, reason, " に書き込めません: ");
  }

  // A field of a data file that must be a number but is not: `subject` is a view into the file's
  // text, kept only as an address so that the conversion, while the file is still read, can say
  // where it stands (Placed).
  static ConversionError BadField(const std::string& message, std::string_view subject) {
    ConversionError error(message);
    error.subject_ = subject.data();
    return error;
  }
  // The same failure named with its place: "<file>:<line>: <message>".
  ConversionError Placed(const Place& place) const {
    ConversionError error(place.file + ":" + std::to_string(place.line) + ": " + what(), kind_);
    error.place_ = place;
    return error;
  }

  FailureKind kind() const { return kind_; }
  const std::string& path() const { return path_; }
  const std::string& reason() const { return reason_; }
  const char* subject() const { return subject_; }
  const Place& place() const { return place_; }

 private:
  ConversionError(FailureKind kind, const std::string& path, const std::string& reason,
                  const char* joint)
      : std::runtime_error(path + joint + reason), kind_(kind), path_(path), reason_(reason) {}

  FailureKind kind_;
  std::string path_, reason_;
  const char* subject_ = nullptr;
  Place place_;
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
