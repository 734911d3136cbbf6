// The PDF check, apart from the other checks: qpdf 11's headers do not compile as C++20 with clang
// (its JSON class is used incomplete), so this file alone is C++17 (fuzz/CMakeLists.txt) and
// includes nothing of ours but the reader.
#include <string>

#include "output/pdf/pdf_reader_test_util.h"

namespace sheetwright::fuzz {

std::string PdfProblem(const std::string& pdf, size_t layers) {
  output::pdftest::PdfReadBack back = output::pdftest::ReadPdf(pdf);
  if (!back.error.empty()) return "qpdf refuses the PDF: " + back.error;
  if (layers != static_cast<size_t>(-1) && back.layers.size() != layers &&
      back.layers.size() != layers + 1) {
    return "optional content groups: " + std::to_string(back.layers.size()) + " for " +
           std::to_string(layers) + " layers";
  }
  return {};
}

}  // namespace sheetwright::fuzz
