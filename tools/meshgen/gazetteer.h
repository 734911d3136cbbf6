// The place names of one generated town, shared by the themes so that a school, a station or a
// pond carries the name of the district it stands in. All names are CP932 bytes.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "meshgen/town_plan.h"

namespace sheetwright::meshgen {

class Gazetteer {
 public:
  Gazetteer(const TownPlan& plan, uint64_t seed);

  // The town of a district and the district's chome within it ("桜台", "二丁目").
  const std::string& Town(int district) const { return districts_[district].town; }
  const std::string& Chome(int district) const { return districts_[district].chome; }
  int chome_number(int district) const { return districts_[district].chome_number; }
  int town_code(int district) const { return districts_[district].town_code; }
  // City 0 lies south of the river, city 1 north of it.
  int CityOf(int district) const { return districts_[district].city; }
  const std::string& CityStem(int city) const { return cities_[city].stem; }
  const std::string& CitySuffix(int city) const { return cities_[city].suffix; }
  const std::string& CityCode(int city) const { return cities_[city].code; }

 private:
  struct District {
    std::string town;
    std::string chome;
    int chome_number = 1;
    int town_code = 1;
    int city = 0;
  };
  struct City {
    std::string stem;
    std::string suffix;
    std::string code;
  };
  std::vector<District> districts_;
  std::array<City, 2> cities_;
};

}  // namespace sheetwright::meshgen
