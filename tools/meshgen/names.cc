#include "meshgen/names.h"

#include <array>
#include <map>
#include <mutex>
#include <stdexcept>
#include <vector>

#include "base/encoding.h"

namespace sheetwright::meshgen {
namespace {

// Name parts kept in UTF-8 here and encoded once; the combinations are what makes the variety.
constexpr std::array kPlacePrefixes = {"東", "西", "南", "北", "中", "上", "下", "新", "本", "元",
                                       "大", "小", "若", "旭", "緑", "宮", "高", "早", "朝", "富"};
constexpr std::array kPlaceStems = {"田", "町", "川",   "山",   "野",   "原",   "橋",   "島",
                                    "沢", "谷", "森",   "坂",   "岡",   "浜",   "台",   "丘",
                                    "松", "桜", "和田", "春日", "日向", "見附", "新田", "宿",
                                    "平", "柳", "池",   "堀",   "戸",   "瀬",   "代田", "葉"};
constexpr std::array kCityStems = {"若葉", "青山", "緑川", "桜井", "松原", "白石", "高浜", "北沢",
                                   "朝霧", "富岡", "川辺", "本郷", "南台", "東雲", "星野", "梅田"};
constexpr std::array kCitySuffixes = {"区", "市", "区", "町"};
constexpr std::array kNumerals = {"〇", "一", "二", "三", "四", "五", "六", "七", "八", "九"};
constexpr std::array kFullWidthDigits = {"０", "１", "２", "３", "４",
                                         "５", "６", "７", "８", "９"};

const std::map<Kind, std::vector<const char*>>& KindWords() {
  static const std::map<Kind, std::vector<const char*>> words = {
      {Kind::kSchool, {"小学校", "中学校", "高等学校", "第一小学校", "第二中学校"}},
      {Kind::kPark, {"公園", "児童遊園", "中央公園", "運動公園"}},
      {Kind::kShrine, {"神社", "八幡神社", "稲荷神社", "寺", "院", "天満宮"}},
      {Kind::kCemetery, {"霊園", "墓地"}},
      {Kind::kOtherGround, {"運動場", "浄水場", "清掃工場", "変電所", "グラウンド", "市場"}},
      {Kind::kPublicBuilding,
       {"区役所", "郵便局", "図書館", "消防署", "警察署", "公民館", "病院", "保健所", "税務署",
        "出張所", "体育館", "会館"}},
      {Kind::kRiver, {"川", "川", "堀", "運河"}},
      {Kind::kPond, {"池", "池", "沼"}},
      {Kind::kSea, {"湾", "港", "灘"}},
      {Kind::kStation, {"駅"}},
      {Kind::kRailwayLine, {"線", "本線", "電鉄線"}},
  };
  return words;
}

template <size_t N>
const char* Pick(const std::array<const char*, N>& parts, Random& random) {
  return parts[random.Below(static_cast<int>(N))];
}

std::string Numeral(int n) {
  // Kanji numerals as on chome signs: 十一, 二十, 二十九.
  std::string text;
  if (n >= 20) text += kNumerals[n / 10];
  if (n >= 10) text += "十";
  if (n % 10 != 0 || n < 10) text += kNumerals[n % 10];
  return text;
}

std::string FullWidthNumber(int n) {
  std::string digits = std::to_string(n);
  std::string text;
  for (char c : digits) text += c == '-' ? "－" : kFullWidthDigits[c - '0'];
  return text;
}

}  // namespace

std::string ToCp932(std::string_view utf8) {
  // The same few parts are encoded again and again: keep them.
  static std::mutex mutex;
  static std::map<std::string, std::string, std::less<>> cache;
  std::lock_guard lock(mutex);
  if (auto found = cache.find(utf8); found != cache.end()) return found->second;

  std::string out = base::Utf8ToCp932(utf8);
  if (base::Cp932ToUtf8(out) != utf8) {
    throw std::runtime_error("text has no CP932 form: " + std::string(utf8));
  }
  cache.emplace(std::string(utf8), out);
  return out;
}

std::string PlaceName(Random& random) {
  std::string name;
  if (random.Chance(0.55)) name += Pick(kPlacePrefixes, random);
  name += Pick(kPlaceStems, random);
  if (name.size() <= 3) name += Pick(kPlaceStems, random);  // never a single character
  return ToCp932(name);
}

std::string CityStem(Random& random) { return ToCp932(Pick(kCityStems, random)); }

std::string CitySuffix(Random& random) { return ToCp932(Pick(kCitySuffixes, random)); }

std::string Chome(int n) {
  if (n >= 1 && n <= 29) return ToCp932(Numeral(n) + "丁目");
  return ToCp932(FullWidthNumber(n) + "丁目");
}

std::string KindWord(Kind kind, Random& random) {
  const std::vector<const char*>& words = KindWords().at(kind);
  return ToCp932(words[random.Below(static_cast<int>(words.size()))]);
}

std::string RouteName(Random& random) {
  if (random.Chance(0.5)) return ToCp932("国道" + FullWidthNumber(1 + random.Below(30)) + "号");
  return ToCp932("都道" + FullWidthNumber(300 + random.Below(200)) + "号");
}

}  // namespace sheetwright::meshgen
