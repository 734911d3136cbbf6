// Public buildings: a footprint inside some sub-blocks, each one closed arc, named after the
// district and what the building is ("桜台" + "図書館").
#include <string>

#include "meshgen/names.h"
#include "meshgen/themes.h"

namespace sheetwright::meshgen {

void BuildTatemono(const ThemeInput& input, std::vector<MeshFile>& files) {
  const TownPlan& plan = input.plan;
  Random random(input.options.seed, 3);
  ArcFile arcs;
  PolygonFile polygons;
  AttributeFile attributes;
  for (int j = 0; j < plan.blocks(); ++j) {
    for (int i = 0; i < plan.land_columns(); ++i) {
      if (plan.cell(i, j).span == 0) continue;  // part of the block to the west
      const Cell& cell = plan.cell(i, j);
      const BlockShape block = plan.Block(i, j);
      for (int l = 0; l + 1 < static_cast<int>(cell.t_cuts.size()); ++l) {
        for (int k = 0; k + 1 < static_cast<int>(cell.s_cuts.size()); ++k) {
          if (plan.Use(i, j, k, l) != SubBlockUse::kPublicBuilding) continue;
          std::vector<Point> outline =
              Shrink(SubBlockCorners(block, cell, k, l), random.Range(0.35, 0.6));
          Point label = Average(outline);
          outline.push_back(outline.front());
          int arc = arcs.Add("L3501", 1, outline);
          int id = polygons.Add("A3501", {arc}, label);
          int district = plan.DistrictOf(i, j);
          attributes.Add({"A3501", std::to_string(id), "3501", "0", input.names.Town(district),
                          KindWord(Kind::kPublicBuilding, random)});
        }
      }
    }
  }
  files.push_back(arcs.Finish(&MeshFiles::TatemonoArc, input.Header("TATEMONO")));
  files.push_back(polygons.Finish(&MeshFiles::TatemonoPgn, input.Header("TATEMONO")));
  files.push_back(attributes.Finish(&MeshFiles::TatemonoAtr, input.Header("TATEMONO")));
}

}  // namespace sheetwright::meshgen
