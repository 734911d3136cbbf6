#include "meshgen/gazetteer.h"

#include "meshgen/names.h"

namespace sheetwright::meshgen {

Gazetteer::Gazetteer(const TownPlan& plan, uint64_t seed) {
  Random random(seed, 2);
  cities_[0] = {meshgen::CityStem(random), meshgen::CitySuffix(random), "14131"};
  do {
    cities_[1].stem = meshgen::CityStem(random);
  } while (cities_[1].stem == cities_[0].stem);
  cities_[1].suffix = meshgen::CitySuffix(random);
  cities_[1].code = "13104";

  // Neighbouring districts of a row form one town of up to four chome.
  const int columns = static_cast<int>(plan.district_columns().size()) - 1;
  const std::vector<int>& rows = plan.district_rows();
  districts_.resize(plan.district_count());
  int town_code = 0;
  std::string town;
  int chome = 0;
  int town_size = 0;
  for (int d = 0; d < plan.district_count(); ++d) {
    int row = d / columns;
    if (d % columns == 0 || chome >= town_size) {
      town = PlaceName(random);
      town_size = 1 + random.Below(4);
      chome = 0;
      ++town_code;
    }
    ++chome;
    District& district = districts_[d];
    district.town = town;
    district.chome_number = chome;
    district.chome = meshgen::Chome(chome);
    district.town_code = town_code;
    district.city = rows[row] >= plan.river_row() ? 1 : 0;
  }
}

}  // namespace sheetwright::meshgen
