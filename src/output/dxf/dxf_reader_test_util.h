// A strict reader of DXF group-code files for the tests of the DXF writer: every value line
// follows a numeric code line, sections and tables open and close in order, the file ends with
// EOF. Gives the table entries and the entities as lists of their groups.
#pragma once

#include <gtest/gtest.h>

#include <charconv>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sheetwright::output::dxftest {

struct Object {
  std::string type;
  std::vector<std::pair<int, std::string>> groups;

  // Values of `code`, in file order.
  std::vector<std::string> All(int code) const {
    std::vector<std::string> out;
    for (const auto& [c, v] : groups) {
      if (c == code) out.push_back(v);
    }
    return out;
  }
  std::string Get(int code) const {
    auto all = All(code);
    return all.empty() ? std::string() : all.front();
  }
  double Real(int code) const { return std::stod(Get(code)); }
};

class DxfFile {
 public:
  // Records a test failure for any breach of the structure.
  explicit DxfFile(std::string_view text) { Parse(text); }

  std::string Header(const std::string& name) const {
    auto it = header_.find(name);
    return it == header_.end() ? std::string() : it->second;
  }
  // The objects of a section of `type` ("" for any).
  std::vector<Object> In(const std::string& section, const std::string& type = "") const {
    std::vector<Object> out;
    for (const auto& [s, o] : objects_) {
      if (s == section && (type.empty() || o.type == type)) out.push_back(o);
    }
    return out;
  }
  // Layer name -> colour index.
  std::map<std::string, int> Layers() const {
    std::map<std::string, int> out;
    for (const Object& o : In("TABLES", "LAYER")) out[o.Get(2)] = std::stoi(o.Get(62));
    return out;
  }

 private:
  void Parse(std::string_view text) {
    std::vector<std::pair<int, std::string>> groups;
    size_t at = 0;
    auto line = [&]() {
      size_t end = text.find("\r\n", at);
      if (end == text.npos) return std::string(text.substr(at == text.npos ? text.size() : at));
      std::string out(text.substr(at, end - at));
      at = end + 2;
      return out;
    };
    while (at < text.size()) {
      std::string code_text = line();
      size_t first = code_text.find_first_not_of(' ');
      int code = -1;
      auto [p, ec] = std::from_chars(code_text.data() + (first == code_text.npos ? 0 : first),
                                     code_text.data() + code_text.size(), code);
      ASSERT_TRUE(ec == std::errc() && p == code_text.data() + code_text.size())
          << "bad group code line '" << code_text << "'";
      groups.emplace_back(code, line());
    }
    ASSERT_FALSE(groups.empty());
    ASSERT_EQ(groups.back(), std::make_pair(0, std::string("EOF")));
    std::string section, table;
    for (size_t i = 0; i + 1 < groups.size(); ++i) {
      const auto& [code, value] = groups[i];
      if (code != 0) {
        if (!objects_.empty()) objects_.back().second.groups.push_back(groups[i]);
        if (section == "HEADER" && code == 9) header_[value] = groups[i + 1].second;
        continue;
      }
      if (value == "SECTION") {
        ASSERT_TRUE(section.empty()) << "section inside section";
        ASSERT_EQ(groups[i + 1].first, 2);
        section = groups[i + 1].second;
      } else if (value == "ENDSEC") {
        ASSERT_FALSE(section.empty());
        ASSERT_TRUE(table.empty()) << "table left open";
        section.clear();
      } else if (value == "TABLE") {
        table = groups[i + 1].second;
      } else if (value == "ENDTAB") {
        table.clear();
      }
      objects_.push_back({section, Object{value, {}}});
    }
    ASSERT_TRUE(section.empty()) << "section left open";
  }

  std::map<std::string, std::string> header_;
  std::vector<std::pair<std::string, Object>> objects_;
};

}  // namespace sheetwright::output::dxftest
