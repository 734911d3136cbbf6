#include "output/dxf/dxf_writer.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "base/encoding.h"
#include "output/dxf/dxf_colours.h"
#include "output/dxf/dxf_document.h"
#include "output/dxf/dxf_entities.h"
#include "output/playback.h"
#include "picture/font_library.h"
#include "picture/japanese_faces.h"

namespace sheetwright::output {
namespace {

using dxf::CadLayer;
using dxf::CadStyle;
using dxf::DocumentInfo;

bool Modern(DxfFlavour flavour) { return flavour == DxfFlavour::kR2010; }

// Whether a byte of a CP932 text leads a two-byte character (whose second byte may look like
// '\\' or '|').
bool LeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// A table entry's name as CADs accept it, in the file's encoding: the characters names may not
// hold (and, in release 12, blanks) become '_'.
std::string SymbolName(std::string_view utf8, DxfFlavour flavour) {
  std::string text = Modern(flavour)
                         ? (base::IsValidUtf8(utf8) ? std::string(utf8) : base::Cp932ToUtf8(utf8))
                         : base::Utf8ToCp932(utf8);
  static constexpr std::string_view kForbidden = "<>/\\\":;?*|=,`";
  for (size_t i = 0; i < text.size(); ++i) {
    auto c = static_cast<unsigned char>(text[i]);
    if (!Modern(flavour) && LeadByte(c)) {
      ++i;
    } else if (c < 0x20 || c == 0x7F || (c == ' ' && !Modern(flavour)) ||
               kForbidden.find(static_cast<char>(c)) != kForbidden.npos) {
      text[i] = '_';
    }
  }
  return text.empty() ? "_" : text;
}

// Names compare without regard to ASCII letter case in CAD tables.
std::string NameKey(std::string name) {
  for (char& c : name) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  return name;
}

// The file CADs find a face by: the TrueType collections of the common Japanese faces, the face
// name itself for any other.
std::string FontFile(const std::string& face) {
  const picture::JapaneseFace* japanese = picture::FindJapaneseFace(face);
  if (face.empty()) return "txt";
  if (japanese == nullptr) return face;
  return japanese->english_name.find("Mincho") != std::string_view::npos ? "msmincho.ttc"
                                                                         : "msgothic.ttc";
}

// Walks the pictures once before anything is written: the CAD layers, each with the colour of
// what it draws first, the text styles, and a bound on the handles the entities take. It looks at
// every figure and layer as recorded, each picture with the stock objects at its start.
class Survey {
 public:
  explicit Survey(DocumentInfo& info) : info_(info) { AddStyle(""); }

  void Sheet(const picture::Picture& sheet) {
    Enter(sheet);
    Play(sheet, *this);
    current_ = outer_.back();
    outer_.pop_back();
  }

  // The CAD layer of a picture, or -1 when it draws on the layer of the picture holding it.
  int LayerOf(const picture::Picture& picture) const {
    auto it = layers_.find(&picture);
    return it == layers_.end() ? -1 : it->second;
  }

  // A mosaic: a caption names one CAD layer whichever sheet's picture bears it, and the sheets
  // surveyed are gone before the ones drawn come.
  void ByCaption() { by_caption_ = true; }
  void ForgetPictures() { layers_.clear(); }
  int LayerOfCaption(const picture::Picture& picture) const {
    auto it = captions_.find(picture.label);
    return picture.label.empty() || it == captions_.end() ? -1 : it->second;
  }
  uint64_t Bound() const { return bounds_; }

 private:
  template <class>
  friend class output::Playback;
  static constexpr PlayRules kRules{.every_figure = true, .layers_start_anew = true};

  void Polyline(std::span<const picture::Point>, const picture::DcState& dc) {
    Colour(dc.pen.color);
  }
  void Line(picture::Point, picture::Point, const picture::DcState& dc) { Colour(dc.pen.color); }
  void Polygon(std::span<const picture::Point>, const picture::DcState& dc) {
    bool solid = dc.brush.style == picture::BrushStyle::kSolid;
    if (solid) {
      picture::Rgb fill = picture::ResolveColor(dc.brush.color);
      auto& fills = info_.fills;
      if (std::find(fills.begin(), fills.end(), fill) == fills.end()) fills.push_back(fill);
    }
    Colour(solid ? dc.brush.color : dc.pen.color);
  }
  void Text(picture::Point, std::string_view, const picture::DcState& dc) { Colour(dc.text_color); }
  void EnterLayer(const LayerFrame& frame) { Enter(frame.layer); }
  void LeaveLayer(const LayerFrame&) {
    current_ = outer_.back();
    outer_.pop_back();
  }

  // A labelled picture draws on a CAD layer of its own, once however often it is played.
  void Enter(const picture::Picture& picture) {
    int layer = current_;
    if (auto known = layers_.find(&picture); known != layers_.end()) {
      layer = known->second;
    } else if (!picture.label.empty()) {
      auto known_caption = by_caption_ ? captions_.find(picture.label) : captions_.end();
      layer = known_caption != captions_.end() ? known_caption->second : AddLayer(picture.label);
      if (by_caption_) captions_[picture.label] = layer;
      layers_[&picture] = layer;
    }
    outer_.push_back(current_);
    current_ = layer;
    bounds_ += picture.records.size() + picture.points.size();
    for (const picture::LabelFont& font : picture.fonts) AddStyle(font.face_name);
  }

  int AddLayer(const std::string& caption) {
    std::string name = SymbolName(caption, info_.flavour);
    std::string unique = name;
    for (int n = 2; !names_.insert(NameKey(unique)).second; ++n) {
      unique = name + "_" + std::to_string(n);
    }
    info_.layers.push_back({unique, picture::Rgb{}});
    coloured_.push_back(false);
    return static_cast<int>(info_.layers.size() - 1);
  }

  void Colour(picture::ColorValue colour) {
    if (current_ < 0 || coloured_[current_]) return;
    coloured_[current_] = true;
    info_.layers[current_].colour = picture::ResolveColor(colour);
  }

  void AddStyle(const std::string& face) {
    if (!faces_.insert(face).second) return;
    std::string name = face.empty() ? "STANDARD" : SymbolName(face, info_.flavour);
    if (!style_names_.insert(NameKey(name)).second) return;
    info_.styles.push_back({name, FontFile(face), face});
  }

  DocumentInfo& info_;
  int current_ = -1;
  std::vector<int> outer_;  // the CAD layer of each picture holding the one being played
  std::vector<bool> coloured_;
  std::map<const picture::Picture*, int> layers_;
  bool by_caption_ = false;
  std::map<std::string, int> captions_;
  std::set<std::string> names_{"0"};
  std::set<std::string> faces_, style_names_;
  uint64_t bounds_ = 0;
};

}  // namespace

struct DxfMosaic::State {
  State(picture::FontLibrary& f, base::MessageSink& s, std::function<void(std::string_view)> w)
      : fonts(f), sink(s), write(std::move(w)), survey(info), out(write) {
    survey.ByCaption();
  }
  picture::FontLibrary& fonts;
  base::MessageSink& sink;
  std::function<void(std::string_view)> write;
  DocumentInfo info;
  Survey survey;
  dxf::GroupWriter out;
  std::unique_ptr<dxf::Entities> entities;
};

DxfMosaic::DxfMosaic(picture::FontLibrary& fonts, base::MessageSink& sink,
                     std::function<void(std::string_view)> write)
    : state_(std::make_unique<State>(fonts, sink, std::move(write))) {}

DxfMosaic::~DxfMosaic() = default;

void DxfMosaic::SurveySheet(const picture::Picture& sheet) {
  state_->survey.Sheet(sheet);
  state_->survey.ForgetPictures();
}

void DxfMosaic::Begin(const GroundBox& map) {
  State& s = *state_;
  s.info.west_m = map.west;
  s.info.south_m = map.south;
  s.info.width_m = map.Width();
  s.info.height_m = map.Height();
  s.info.handle_seed = dxf::kFirstEntityHandle + s.info.layers.size() + s.info.styles.size() + 1;
  dxf::WriteHead(s.out, s.info);
  s.entities =
      std::make_unique<dxf::Entities>(s.out, s.info, s.fonts, s.sink, dxf::kFirstEntityHandle);
}

void DxfMosaic::AddSheet(const picture::Picture& sheet, const GroundBox& ground) {
  State& s = *state_;
  s.entities->Sheet(
      sheet, [&](const picture::Picture& p) { return s.survey.LayerOfCaption(p); }, ground.west,
      ground.south);
}

void DxfMosaic::Finish() {
  dxf::WriteTail(state_->out, state_->info);
  state_->out.Flush();
}

void WriteDxf(const picture::Picture& sheet, DxfFlavour flavour, picture::FontLibrary& fonts,
              base::MessageSink& sink, const std::function<void(std::string_view)>& write) {
  DocumentInfo info;
  info.flavour = flavour;
  info.width_m = static_cast<double>(picture::kFrameWidth) / picture::kUnitsPerMetre;
  info.height_m = static_cast<double>(picture::kFrameHeight) / picture::kUnitsPerMetre;
  Survey survey(info);
  survey.Sheet(sheet);
  // Release 2010 gives every entity a handle; a drawing record makes at most one entity per
  // point (the outline of each ring) or one for itself.
  uint64_t first = dxf::kFirstEntityHandle + info.layers.size() + info.styles.size();
  info.handle_seed = first + survey.Bound() + 1;

  dxf::GroupWriter out(write);
  dxf::WriteHead(out, info);
  dxf::Entities entities(out, info, fonts, sink, first);
  entities.Sheet(sheet, [&](const picture::Picture& p) { return survey.LayerOf(p); });
  dxf::WriteTail(out, info);
  out.Flush();
}

std::string EncodeDxf(const picture::Picture& sheet, DxfFlavour flavour,
                      picture::FontLibrary& fonts, base::MessageSink& sink) {
  std::string dxf;
  WriteDxf(sheet, flavour, fonts, sink, [&](std::string_view chunk) { dxf += chunk; });
  return dxf;
}

}  // namespace sheetwright::output
