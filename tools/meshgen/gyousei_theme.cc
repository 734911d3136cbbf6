// Administrative areas: town districts (chome) and the two cities, which share their boundary
// arcs. District boundaries follow street centre lines; the river's centre line parts the cities
// and is also a prefecture boundary; on a coastal sheet the areas end at the coastline. Arcs on the
// sheet edge have line type 5.
#include <map>
#include <string>
#include <tuple>

#include "meshgen/themes.h"

namespace sheetwright::meshgen {
namespace {

constexpr int kEdgeLineType = 5;

// Creates each boundary arc the first time a ring needs it, so both neighbours share one arc.
class Boundaries {
 public:
  explicit Boundaries(const TownPlan& plan) : plan_(plan) {}

  // Along grid row j from column i to i + 1, west to east.
  int Row(int j, int i) {
    return Get({0, j, i}, [&] {
      if (j == plan_.river_row()) {
        return arcs_.Add("L1101", 1,
                         plan_.RiverLine(plan_.RiverNode(i).x, plan_.RiverNode(i + 1).x, 0));
      }
      bool edge = j == 0 || j == plan_.blocks();
      return arcs_.Add(edge ? "L1106" : "L1104", edge ? kEdgeLineType : 1,
                       {plan_.Node(i, j), plan_.Node(i + 1, j)});
    });
  }
  // Along grid column i from row j to j + 1, south to north.
  int Column(int i, int j) {
    return Get({1, i, j}, [&] {
      bool edge = i == 0 || i == plan_.blocks();
      return arcs_.Add(edge ? "L1106" : "L1104", edge ? kEdgeLineType : 1,
                       {ColumnPoint(i, j), ColumnPoint(i, j + 1)});
    });
  }
  // Coastal sheets: along grid row j from the shore road to the coastline.
  int Shore(int j) {
    return Get({2, j, 0}, [&] {
      int land = plan_.land_columns();
      if (j == plan_.river_row()) {
        return arcs_.Add("L1101", 1, plan_.RiverLine(plan_.RiverNode(land).x, plan_.coast_x(), 0));
      }
      bool edge = j == 0 || j == plan_.blocks();
      return arcs_.Add(edge ? "L1106" : "L1104", edge ? kEdgeLineType : 1,
                       {plan_.Node(land, j), ShorePoint(plan_, j)});
    });
  }
  // Coastal sheets: the coastline from row j to j + 1.
  int Coast(int j) {
    return Get({3, j, 0}, [&] { return arcs_.Add("L1105", 1, CoastSegment(plan_, j)); });
  }

  // The ring around grid columns [i0, i1) and rows [j0, j1), counter-clockwise.
  std::vector<int> Ring(int i0, int i1, int j0, int j1) {
    std::vector<int> ring;
    for (int i = i0; i < i1; ++i) ring.push_back(Row(j0, i));
    if (plan_.coastal() && i1 == plan_.land_columns()) {
      ring.push_back(Shore(j0));
      for (int j = j0; j < j1; ++j) ring.push_back(Coast(j));
      ring.push_back(-Shore(j1));
    } else {
      for (int j = j0; j < j1; ++j) ring.push_back(Column(i1, j));
    }
    for (int i = i1 - 1; i >= i0; --i) ring.push_back(-Row(j1, i));
    for (int j = j1 - 1; j >= j0; --j) ring.push_back(-Column(i0, j));
    return ring;
  }

  const ArcFile& arcs() const { return arcs_; }

 private:
  // On the river row the boundary meets the river's centre line, not the street grid's node.
  Point ColumnPoint(int i, int j) const {
    return j == plan_.river_row() ? plan_.RiverNode(i) : plan_.Node(i, j);
  }

  template <typename Make>
  int Get(std::tuple<int, int, int> key, Make make) {
    auto found = ids_.find(key);
    if (found != ids_.end()) return found->second;
    int id = make();
    ids_.emplace(key, id);
    return id;
  }

  const TownPlan& plan_;
  ArcFile arcs_;
  std::map<std::tuple<int, int, int>, int> ids_;
};

// A label point inside the area: the middle of its middle block.
Point LabelPoint(const TownPlan& plan, int i0, int i1, int j0, int j1) {
  return plan.Block((i0 + i1 - 1) / 2, (j0 + j1 - 1) / 2).At(0.5, 0.5);
}

}  // namespace

void BuildGyousei(const ThemeInput& input, std::vector<MeshFile>& files) {
  const TownPlan& plan = input.plan;
  const Gazetteer& names = input.names;
  Boundaries boundaries(plan);
  PolygonFile districts;
  AttributeFile district_names;
  PolygonFile cities;
  AttributeFile city_names;

  const std::vector<int>& columns = plan.district_columns();
  const std::vector<int>& rows = plan.district_rows();
  for (size_t b = 0; b + 1 < rows.size(); ++b) {
    for (size_t a = 0; a + 1 < columns.size(); ++a) {
      int i0 = columns[a], i1 = columns[a + 1], j0 = rows[b], j1 = rows[b + 1];
      int district = plan.DistrictOf(i0, j0);
      int id =
          districts.Add("A1122", boundaries.Ring(i0, i1, j0, j1), LabelPoint(plan, i0, i1, j0, j1));
      const std::string& city_code = names.CityCode(names.CityOf(district));
      district_names.Add({"A1122", std::to_string(id), city_code,
                          std::to_string(names.town_code(district)), names.Town(district),
                          names.Chome(district)});
    }
  }
  const int land = plan.land_columns();
  const int r = plan.river_row();
  const int spans[2][2] = {{0, r}, {r, plan.blocks()}};
  for (int city = 0; city < 2; ++city) {
    int j0 = spans[city][0], j1 = spans[city][1];
    int id =
        cities.Add("A1121", boundaries.Ring(0, land, j0, j1), LabelPoint(plan, 0, land, j0, j1));
    city_names.Add({"A1121", std::to_string(id), names.CityCode(city).substr(0, 2),
                    names.CityCode(city), names.CityStem(city), names.CitySuffix(city)});
  }

  files.push_back(boundaries.arcs().Finish(&MeshFiles::GyouseiArc, input.Header("GYOUSEI")));
  files.push_back(cities.Finish(&MeshFiles::SiTyoPgn, input.Header("SI_TYO")));
  files.push_back(city_names.Finish(&MeshFiles::SiTyoAtr, input.Header("SI_TYO")));
  files.push_back(districts.Finish(&MeshFiles::TyomePgn, input.Header("TYOME")));
  files.push_back(district_names.Finish(&MeshFiles::TyomeAtr, input.Header("TYOME")));
}

}  // namespace sheetwright::meshgen
