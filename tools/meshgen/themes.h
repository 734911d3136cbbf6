// The builders of the seven theme folders. Each turns the town plan into the files of its folder
// and appends them to `files`; none depends on another, so any theme can be left out.
#pragma once

#include <string>
#include <vector>

#include "meshgen/data_file.h"
#include "meshgen/gazetteer.h"
#include "meshgen/meshgen.h"
#include "meshgen/town_plan.h"

namespace sheetwright::meshgen {

struct ThemeInput {
  const TownPlan& plan;
  const Gazetteer& names;
  const Options& options;
  HeaderInfo Header(std::string theme) const {
    return {options.mesh_code, std::move(theme), options.sheet_code};
  }
};

void BuildGaiku(const ThemeInput& input, std::vector<MeshFile>& files);
void BuildGyousei(const ThemeInput& input, std::vector<MeshFile>& files);
void BuildTatemono(const ThemeInput& input, std::vector<MeshFile>& files);
void BuildMizu(const ThemeInput& input, std::vector<MeshFile>& files);
void BuildKasen(const ThemeInput& input, std::vector<MeshFile>& files);
void BuildOthers(const ThemeInput& input, std::vector<MeshFile>& files);
void BuildRoad(const ThemeInput& input, std::vector<MeshFile>& files);

// The coastline between the shore points of grid rows j and j + 1 (coastal sheets), south to
// north, with the odd pier. The two segments beside the river row pass through the river mouth's
// bank points: segment river_row - 1 ends [.., south bank, centre], segment river_row begins
// [centre, north bank, ..].
std::vector<Point> CoastSegment(const TownPlan& plan, int j);
// Where grid row j meets the coastline.
Point ShorePoint(const TownPlan& plan, int j);

}  // namespace sheetwright::meshgen
