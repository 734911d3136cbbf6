// Japanese names for the generated features, made by combining a few name parts. Every function
// returns Shift_JIS (CP932) bytes, ready to be written into a data file as they are.
#pragma once

#include <string>
#include <string_view>

#include "meshgen/random.h"

namespace sheetwright::meshgen {

// UTF-8 text as CP932 bytes. Throws std::runtime_error when a character has no CP932 form.
std::string ToCp932(std::string_view utf8);

// A place name of two or three characters ("桜台", "東和田"): towns, stations, schools.
std::string PlaceName(Random& random);
// A city name and its suffix ("若葉", "区").
std::string CityStem(Random& random);
std::string CitySuffix(Random& random);
// "一丁目" ... "二十九丁目" for n in 1..29; other n give the number in full-width digits.
std::string Chome(int n);
// The kind words: what follows a place name on a map ("小学校", "公園", "川", "駅", ...).
enum class Kind {
  kSchool,
  kPark,
  kShrine,
  kCemetery,
  kOtherGround,
  kPublicBuilding,
  kRiver,
  kPond,
  kSea,
  kStation,
  kRailwayLine,
};
std::string KindWord(Kind kind, Random& random);
// "国道２０号" or "都道４１３号".
std::string RouteName(Random& random);

}  // namespace sheetwright::meshgen
