// Reads a stored SVG back for tests with libxml2, a reader that shares nothing with the writer:
// the document must parse as it is, and its elements are found by XPath.
#pragma once

#include <libxml/parser.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <memory>
#include <string>
#include <vector>

namespace sheetwright::drawing::svgtest {

class SvgDocument {
 public:
  // Parses strictly (no recovery, no network); ok() is false when the bytes are not XML.
  explicit SvgDocument(const std::string& bytes)
      : doc_(xmlReadMemory(
                 bytes.data(), static_cast<int>(bytes.size()), "sheet.svg", nullptr,
                 XML_PARSE_NONET | XML_PARSE_NOWARNING | XML_PARSE_NOERROR | XML_PARSE_HUGE),
             xmlFreeDoc) {}
  bool ok() const { return doc_ != nullptr; }

  // The elements that `xpath` selects, in document order. Prefixes: s (SVG), inkscape.
  std::vector<xmlNodePtr> Select(const std::string& xpath, xmlNodePtr from = nullptr) const {
    std::vector<xmlNodePtr> out;
    if (!doc_) return out;
    std::unique_ptr<xmlXPathContext, decltype(&xmlXPathFreeContext)> context(
        xmlXPathNewContext(doc_.get()), xmlXPathFreeContext);
    xmlXPathRegisterNs(context.get(), BAD_CAST "s", BAD_CAST "http://www.w3.org/2000/svg");
    xmlXPathRegisterNs(context.get(), BAD_CAST "inkscape",
                       BAD_CAST "http://www.inkscape.org/namespaces/inkscape");
    if (from) context->node = from;
    std::unique_ptr<xmlXPathObject, decltype(&xmlXPathFreeObject)> result(
        xmlXPathEvalExpression(BAD_CAST xpath.c_str(), context.get()), xmlXPathFreeObject);
    if (result && result->nodesetval) {
      for (int i = 0; i < result->nodesetval->nodeNr; ++i) {
        out.push_back(result->nodesetval->nodeTab[i]);
      }
    }
    return out;
  }

 private:
  std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)> doc_;
};

// An attribute's value ("" when missing); `ns` selects a namespaced one.
inline std::string Attr(xmlNodePtr node, const char* name, const char* ns = nullptr) {
  xmlChar* v =
      ns ? xmlGetNsProp(node, BAD_CAST name, BAD_CAST ns) : xmlGetProp(node, BAD_CAST name);
  std::string out = v ? reinterpret_cast<const char*>(v) : "";
  xmlFree(v);
  return out;
}
inline constexpr const char* kInkscape = "http://www.inkscape.org/namespaces/inkscape";

inline std::string Content(xmlNodePtr node) {
  xmlChar* v = xmlNodeGetContent(node);
  std::string out = v ? reinterpret_cast<const char*>(v) : "";
  xmlFree(v);
  return out;
}

// The value of a presentation attribute as the element gets it: its own or its nearest
// ancestor's.
inline std::string Inherited(xmlNodePtr node, const char* name) {
  for (; node && node->type == XML_ELEMENT_NODE; node = node->parent) {
    if (xmlHasProp(node, BAD_CAST name)) return Attr(node, name);
  }
  return "";
}

// The layers of a document, outermost first, as {id, label}.
inline std::vector<std::pair<std::string, std::string>> Layers(const SvgDocument& svg) {
  std::vector<std::pair<std::string, std::string>> out;
  for (xmlNodePtr g : svg.Select("//s:g[@inkscape:groupmode='layer']")) {
    out.emplace_back(Attr(g, "id"), Attr(g, "label", kInkscape));
  }
  return out;
}

}  // namespace sheetwright::drawing::svgtest
