// Reads an SVG back for tests with libxml2, a reader that shares nothing with the writer: the
// document must parse strictly as it is; its elements are found by XPath (prefix s: SVG).
#pragma once

#include <libxml/parser.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace sheetwright::output::svgtest {

inline std::string Attr(xmlNodePtr node, const char* name) {
  xmlChar* v = xmlGetProp(node, BAD_CAST name);  // any namespace
  std::string out = v ? reinterpret_cast<const char*>(v) : "";
  xmlFree(v);
  return out;
}

// A presentation attribute as the element gets it: its own or its nearest ancestor's.
inline std::string Inherited(xmlNodePtr node, const char* name) {
  for (; node && node->type == XML_ELEMENT_NODE; node = node->parent) {
    if (xmlHasProp(node, BAD_CAST name)) return Attr(node, name);
  }
  return "";
}

class SvgDocument {
 public:
  explicit SvgDocument(const std::string& bytes)
      : doc_(xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), "sheet.svg", nullptr,
                           XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_HUGE),
             xmlFreeDoc) {}
  bool ok() const { return doc_ != nullptr; }

  std::vector<xmlNodePtr> Select(const std::string& xpath, xmlNodePtr from = nullptr) const {
    std::unique_ptr<xmlXPathContext, decltype(&xmlXPathFreeContext)> context(
        xmlXPathNewContext(doc_.get()), xmlXPathFreeContext);
    xmlXPathRegisterNs(context.get(), BAD_CAST "s", BAD_CAST "http://www.w3.org/2000/svg");
    xmlXPathRegisterNs(context.get(), BAD_CAST "inkscape",
                       BAD_CAST "http://www.inkscape.org/namespaces/inkscape");
    if (from) context->node = from;
    std::unique_ptr<xmlXPathObject, decltype(&xmlXPathFreeObject)> result(
        xmlXPathEvalExpression(BAD_CAST xpath.c_str(), context.get()), xmlXPathFreeObject);
    std::vector<xmlNodePtr> out;
    for (int i = 0; result && result->nodesetval && i < result->nodesetval->nodeNr; ++i) {
      out.push_back(result->nodesetval->nodeTab[i]);
    }
    return out;
  }

  // {id, label} of every layer, in document order.
  std::vector<std::pair<std::string, std::string>> Layers() const {
    std::vector<std::pair<std::string, std::string>> out;
    for (xmlNodePtr g : Select("//s:g[@inkscape:groupmode='layer']")) {
      out.emplace_back(Attr(g, "id"), Attr(g, "label"));
    }
    return out;
  }

 private:
  std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)> doc_;
};

}  // namespace sheetwright::output::svgtest
