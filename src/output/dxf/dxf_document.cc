#include "output/dxf/dxf_document.h"

#include "output/dxf/dxf_colours.h"

namespace sheetwright::output::dxf {
namespace {

// Handles of the fixed objects of release 2010 (below kFirstEntityHandle; kModelSpaceRecord too).
enum Fixed : uint64_t {
  kLayerTable = 0x1,
  kLtypeTable,
  kAppidTable,
  kDimstyleTable,
  kStyleTable,
  kUcsTable,
  kViewTable,
  kVportTable,
  kBlockRecordTable,
  kRootDictionary,
  kGroupDictionary,
  kLayoutDictionary,
  kActiveVport = 0x10,
  kLtypeByBlock,
  kLtypeByLayer,
  kLtypeContinuous,
  kAppidAcad,
  kDimstyleStandard,
  kModelLayout = 0x1A,
  kPaperLayout,
  kPaperSpaceRecord,
  kModelBlock = 0x20,
  kModelBlockEnd,
  kPaperBlock,
  kPaperBlockEnd,
};

bool Modern(const DocumentInfo& info) { return info.flavour == DxfFlavour::kR2010; }

void Section(GroupWriter& out, const char* name) {
  out.Text(0, "SECTION");
  out.Text(2, name);
}

void HeaderPoint(GroupWriter& out, const char* name, double x, double y) {
  out.Text(9, name);
  out.Point(x, y);
  out.Real(30, 0);
}

void Header(GroupWriter& out, const DocumentInfo& info) {
  Section(out, "HEADER");
  out.Text(9, "$ACADVER");
  out.Text(1, Modern(info) ? "AC1024" : "AC1009");
  out.Text(9, "$DWGCODEPAGE");
  out.Text(3, "ANSI_932");
  HeaderPoint(out, "$INSBASE", 0, 0);
  HeaderPoint(out, "$EXTMIN", info.west_m, info.south_m);
  HeaderPoint(out, "$EXTMAX", info.west_m + info.width_m, info.south_m + info.height_m);
  out.Text(9, "$LIMMIN");
  out.Point(info.west_m, info.south_m);
  out.Text(9, "$LIMMAX");
  out.Point(info.west_m + info.width_m, info.south_m + info.height_m);
  if (Modern(info)) {
    out.Text(9, "$INSUNITS");
    out.Int(70, 6);  // metres
    out.Text(9, "$MEASUREMENT");
    out.Int(70, 1);
    out.Text(9, "$LWDISPLAY");
    out.Int(290, 1);
    out.Text(9, "$HANDSEED");
    out.Handle(5, info.handle_seed);
  } else {
    out.Text(9, "$HANDLING");
    out.Int(70, 0);
  }
  out.Text(0, "ENDSEC");
}

// A table's head; `entries` is the count readers may preallocate by.
void Table(GroupWriter& out, const DocumentInfo& info, const char* name, uint64_t handle,
           size_t entries) {
  out.Text(0, "TABLE");
  out.Text(2, name);
  if (Modern(info)) {
    out.Handle(5, handle);
    out.Handle(330, 0);
    out.Text(100, "AcDbSymbolTable");
  }
  out.Int(70, entries);
  if (Modern(info) && handle == kDimstyleTable) out.Text(100, "AcDbDimStyleTable");
}

// An entry's head up to its name and flags.
void Entry(GroupWriter& out, const DocumentInfo& info, const char* type, const char* subclass,
           uint64_t handle, uint64_t table, std::string_view name) {
  out.Text(0, type);
  if (Modern(info)) {
    out.Handle(handle == kDimstyleStandard ? 105 : 5, handle);
    out.Handle(330, table);
    out.Text(100, "AcDbSymbolTableRecord");
    out.Text(100, subclass);
  }
  out.Text(2, name);
  out.Int(70, 0);
}

// The view a CAD opens with: the whole sheet.
void Vports(GroupWriter& out, const DocumentInfo& info) {
  Table(out, info, "VPORT", kVportTable, 1);
  Entry(out, info, "VPORT", "AcDbViewportTableRecord", kActiveVport, kVportTable, "*ACTIVE");
  out.Point(0, 0);
  out.Point(1, 1, 11);
  out.Point(info.west_m + info.width_m / 2, info.south_m + info.height_m / 2, 12);
  out.Real(40, info.height_m * 1.05);
  out.Real(41, info.height_m > 0 ? info.width_m / info.height_m : 1);
  out.Text(0, "ENDTAB");
}

void Linetypes(GroupWriter& out, const DocumentInfo& info) {
  Table(out, info, "LTYPE", kLtypeTable, Modern(info) ? 3 : 1);
  auto linetype = [&](uint64_t handle, const char* name, const char* description) {
    Entry(out, info, "LTYPE", "AcDbLinetypeTableRecord", handle, kLtypeTable, name);
    out.Text(3, description);
    out.Int(72, 65);
    out.Int(73, 0);
    out.Real(40, 0);
  };
  if (Modern(info)) {
    linetype(kLtypeByBlock, "ByBlock", "");
    linetype(kLtypeByLayer, "ByLayer", "");
  }
  linetype(kLtypeContinuous, Modern(info) ? "Continuous" : "CONTINUOUS", "Solid line");
  out.Text(0, "ENDTAB");
}

void Layers(GroupWriter& out, const DocumentInfo& info) {
  Table(out, info, "LAYER", kLayerTable, info.layers.size() + 1);
  const char* continuous = Modern(info) ? "Continuous" : "CONTINUOUS";
  Entry(out, info, "LAYER", "AcDbLayerTableRecord", kFirstEntityHandle - 1, kLayerTable, "0");
  out.Int(62, 7);
  out.Text(6, continuous);
  for (size_t i = 0; i < info.layers.size(); ++i) {
    Entry(out, info, "LAYER", "AcDbLayerTableRecord", kFirstEntityHandle + i, kLayerTable,
          info.layers[i].name);
    out.Int(62, NearestAci(info.layers[i].colour));
    if (Modern(info)) out.Int(420, TrueColour(info.layers[i].colour));
    out.Text(6, continuous);
    if (Modern(info)) out.Int(370, -3);  // the default lineweight; entities carry their own
  }
  out.Text(0, "ENDTAB");
}

void Styles(GroupWriter& out, const DocumentInfo& info) {
  Table(out, info, "STYLE", kStyleTable, info.styles.size());
  for (size_t i = 0; i < info.styles.size(); ++i) {
    const CadStyle& style = info.styles[i];
    Entry(out, info, "STYLE", "AcDbTextStyleTableRecord",
          kFirstEntityHandle + info.layers.size() + i, kStyleTable, style.name);
    out.Real(40, 0);
    out.Real(41, 1);
    out.Real(50, 0);
    out.Int(71, 0);
    out.Real(42, 2.5);
    out.Text(3, style.font_file);
    out.Text(4, "");
    if (Modern(info) && !style.family.empty()) {
      out.Text(1001, "ACAD");
      out.Text(1000, style.family);
      out.Int(1071, 0);
    }
  }
  out.Text(0, "ENDTAB");
}

void Tables(GroupWriter& out, const DocumentInfo& info) {
  Section(out, "TABLES");
  Vports(out, info);
  Linetypes(out, info);
  Layers(out, info);
  Styles(out, info);
  Table(out, info, "VIEW", kViewTable, 0);
  out.Text(0, "ENDTAB");
  Table(out, info, "UCS", kUcsTable, 0);
  out.Text(0, "ENDTAB");
  Table(out, info, "APPID", kAppidTable, 1);
  Entry(out, info, "APPID", "AcDbRegAppTableRecord", kAppidAcad, kAppidTable, "ACAD");
  out.Text(0, "ENDTAB");
  Table(out, info, "DIMSTYLE", kDimstyleTable, 1);
  Entry(out, info, "DIMSTYLE", "AcDbDimStyleTableRecord", kDimstyleStandard, kDimstyleTable,
        "STANDARD");
  out.Text(0, "ENDTAB");
  if (Modern(info)) {
    Table(out, info, "BLOCK_RECORD", kBlockRecordTable, 2);
    Entry(out, info, "BLOCK_RECORD", "AcDbBlockTableRecord", kModelSpaceRecord, kBlockRecordTable,
          "*Model_Space");
    out.Handle(340, kModelLayout);
    Entry(out, info, "BLOCK_RECORD", "AcDbBlockTableRecord", kPaperSpaceRecord, kBlockRecordTable,
          "*Paper_Space");
    out.Handle(340, kPaperLayout);
    out.Text(0, "ENDTAB");
  }
  out.Text(0, "ENDSEC");
}

void Blocks(GroupWriter& out, const DocumentInfo& info) {
  Section(out, "BLOCKS");
  if (Modern(info)) {
    auto block = [&](uint64_t handle, uint64_t record, const char* name) {
      out.Text(0, "BLOCK");
      out.Handle(5, handle);
      out.Handle(330, record);
      out.Text(100, "AcDbEntity");
      out.Text(8, "0");
      out.Text(100, "AcDbBlockBegin");
      out.Text(2, name);
      out.Int(70, 0);
      out.Point(0, 0);
      out.Real(30, 0);
      out.Text(3, name);
      out.Text(1, "");
      out.Text(0, "ENDBLK");
      out.Handle(5, handle + 1);
      out.Handle(330, record);
      out.Text(100, "AcDbEntity");
      out.Text(8, "0");
      out.Text(100, "AcDbBlockEnd");
    };
    block(kModelBlock, kModelSpaceRecord, "*Model_Space");
    block(kPaperBlock, kPaperSpaceRecord, "*Paper_Space");
  }
  out.Text(0, "ENDSEC");
}

void Dictionary(GroupWriter& out, uint64_t handle, uint64_t owner,
                std::initializer_list<std::pair<const char*, uint64_t>> entries) {
  out.Text(0, "DICTIONARY");
  out.Handle(5, handle);
  out.Handle(330, owner);
  out.Text(100, "AcDbDictionary");
  out.Int(281, 1);
  for (const auto& [name, entry] : entries) {
    out.Text(3, name);
    out.Handle(350, entry);
  }
}

// A layout with its plot settings on an A3 sheet, as readers of release 2010 expect one for model
// space and one for paper space.
void Layout(GroupWriter& out, uint64_t handle, uint64_t record, const char* name, int order) {
  out.Text(0, "LAYOUT");
  out.Handle(5, handle);
  out.Handle(330, kLayoutDictionary);
  out.Text(100, "AcDbPlotSettings");
  out.Text(1, "");
  out.Text(2, "none_device");
  out.Text(4, "ISO_A3_(420.00_x_297.00_MM)");
  out.Text(6, "");
  for (int code : {40, 41, 42, 43}) out.Real(code, 7.5);
  out.Real(44, 420);
  out.Real(45, 297);
  for (int code : {46, 47, 48, 49, 140, 141}) out.Real(code, 0);
  out.Real(142, 1);
  out.Real(143, 1);
  out.Int(70, order == 0 ? 1024 : 0);
  out.Int(72, 1);
  out.Int(73, 1);
  out.Int(74, 5);
  out.Text(7, "");
  out.Int(75, 16);
  out.Int(76, 0);
  out.Int(77, 2);
  out.Int(78, 300);
  out.Real(147, 1);
  out.Real(148, 0);
  out.Real(149, 0);
  out.Text(100, "AcDbLayout");
  out.Text(1, name);
  out.Int(70, 1);
  out.Int(71, order);
  out.Point(0, 0);
  out.Point(420, 297, 11);
  out.Point(0, 0, 12);
  out.Real(32, 0);
  out.Point(0, 0, 14);
  out.Real(34, 0);
  out.Point(0, 0, 15);
  out.Real(35, 0);
  out.Real(146, 0);
  out.Point(0, 0, 13);
  out.Real(33, 0);
  out.Point(1, 0, 16);
  out.Real(36, 0);
  out.Point(0, 1, 17);
  out.Real(37, 0);
  out.Int(76, 1);
  out.Handle(330, record);
}

void Objects(GroupWriter& out) {
  Section(out, "OBJECTS");
  Dictionary(out, kRootDictionary, 0,
             {{"ACAD_GROUP", kGroupDictionary}, {"ACAD_LAYOUT", kLayoutDictionary}});
  Dictionary(out, kGroupDictionary, kRootDictionary, {});
  Dictionary(out, kLayoutDictionary, kRootDictionary,
             {{"Model", kModelLayout}, {"Layout1", kPaperLayout}});
  Layout(out, kModelLayout, kModelSpaceRecord, "Model", 0);
  Layout(out, kPaperLayout, kPaperSpaceRecord, "Layout1", 1);
  out.Text(0, "ENDSEC");
}

}  // namespace

void WriteHead(GroupWriter& out, const DocumentInfo& info) {
  Header(out, info);
  if (Modern(info)) {
    Section(out, "CLASSES");
    out.Text(0, "ENDSEC");
  }
  Tables(out, info);
  Blocks(out, info);
  Section(out, "ENTITIES");
}

void WriteTail(GroupWriter& out, const DocumentInfo& info) {
  out.Text(0, "ENDSEC");
  if (Modern(info)) Objects(out);
  out.Text(0, "EOF");
}

}  // namespace sheetwright::output::dxf
