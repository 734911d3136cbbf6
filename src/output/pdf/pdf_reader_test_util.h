// Reads a PDF document back with an independent reader, qpdf's library, for the tests and the fuzz
// target of the PDF writer: the cross-reference table, every object, the page's content streams
// (decoded and parsed into operators) and what the writer promises to name.
#pragma once

// qpdf without its old PointerHolder: std::shared_ptr throughout.
#ifndef POINTERHOLDER_TRANSITION
#define POINTERHOLDER_TRANSITION 4
#endif
#include <memory>
#include <qpdf/Pl_Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <string>
#include <vector>

namespace sheetwright::output::pdftest {

struct PdfReadBack {
  std::string error;  // empty when the reader took the document without a warning
  std::string title;
  std::vector<std::string> layers;  // optional content group names, in their order
  std::vector<std::string> fonts;   // base font names of the first page's fonts
  std::string content;              // the first page's content, decoded
  int operators = 0;                // in the content of every page
  int pages = 0;
};

class OperatorCounter : public QPDFObjectHandle::ParserCallbacks {
 public:
  void handleObject(QPDFObjectHandle object) override {
    if (object.isOperator()) ++count;
  }
  void handleEOF() override {}
  int count = 0;
};

inline PdfReadBack ReadPdf(const std::string& bytes) {
  PdfReadBack out;
  try {
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.setAttemptRecovery(false);
    pdf.processMemoryFile("drawing.pdf", bytes.data(), bytes.size());
    for (QPDFObjectHandle object : pdf.getAllObjects()) {
      if (object.isStream()) object.getStreamData(qpdf_dl_generalized);
    }
    out.title = pdf.getTrailer().getKey("/Info").getKey("/Title").getUTF8Value();
    QPDFObjectHandle root = pdf.getRoot();
    QPDFObjectHandle groups = root.hasKey("/OCProperties")
                                  ? root.getKey("/OCProperties").getKey("/OCGs")
                                  : QPDFObjectHandle::newArray();
    for (int i = 0; groups.isArray() && i < groups.getArrayNItems(); ++i) {
      out.layers.push_back(groups.getArrayItem(i).getKey("/Name").getUTF8Value());
    }
    std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(pdf).getAllPages();
    if (pages.empty()) throw std::runtime_error("no page");
    out.pages = static_cast<int>(pages.size());
    QPDFObjectHandle fonts = pages[0].getObjectHandle().getKey("/Resources").getKey("/Font");
    if (fonts.isDictionary()) {
      for (auto& [name, font] : fonts.ditems())
        out.fonts.push_back(font.getKey("/BaseFont").getName());
    }
    Pl_Buffer buffer("content");
    pages[0].pipeContents(&buffer);
    std::shared_ptr<Buffer> data = buffer.getBufferSharedPointer();
    out.content.assign(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
    OperatorCounter counter;
    for (QPDFPageObjectHelper& page : pages) page.parseContents(&counter);
    out.operators = counter.count;
    if (pdf.anyWarnings()) {
      std::vector<QPDFExc> warnings = pdf.getWarnings();
      out.error = warnings.empty() ? "warnings" : warnings[0].what();
    }
  } catch (const std::exception& e) {
    out.error = e.what();
  }
  return out;
}

}  // namespace sheetwright::output::pdftest
