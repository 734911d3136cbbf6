#include "picture/picture_spill.h"

#include <cstring>
#include <limits>
#include <stdexcept>
#include <system_error>
#include <type_traits>

#include "base/encoding.h"
#include "base/messages.h"
#include "platform/files.h"

namespace sheetwright::picture {
namespace {

// The length of a picture's bytes before them in the file.
using FrameLength = uint64_t;

// How a picture's layer is stored: none (a null layer), or the layer's picture following.
enum class LayerKind : uint8_t { kNone, kHere };

// The fewest bytes a font takes (an empty face name).
constexpr size_t kFontBytes = 4 + 4 + 1 + 1 + 4 + 1;

class Writer {
 public:
  explicit Writer(std::string& out) : out_(out) {}

  void PutPicture(const Picture& p, int depth) {
    if (depth > kMaxSpillDepth) throw std::length_error("picture layers nested too deep");
    Put(p.width);
    Put(p.height);
    Put(Count(p.records.size()));
    for (const Record& record : p.records) {
      Put(static_cast<uint8_t>(record.index()));
      std::visit(Overloaded{
                     [&](const PenRec& r) { Put(r.style), Put(r.width), Put(r.color); },
                     [&](const BrushRec& r) { Put(r.style), Put(r.color); },
                     [&](const FontRec& r) { Put(r.index); },
                     [&](const TextColorRec& r) { Put(r.color); },
                     [&](const BkColorRec& r) { Put(r.color); },
                     [&](const BkModeRec& r) { Put(r.mode); },
                     [&](const PolylineRec& r) { Put(r.first), Put(r.count); },
                     [&](const PolygonRec& r) { Put(r.first), Put(r.count); },
                     [&](const LineRec& r) { Put(r.from), Put(r.to); },
                     [&](const TextRec& r) { Put(r.at), Put(r.first), Put(r.length); },
                     [&](const LayerRec& r) { Put(r.index); },
                 },
                 record);
    }
    Put(Count(p.points.size()));
    if (!p.points.empty()) {
      out_.append(reinterpret_cast<const char*>(p.points.data()), p.points.size() * sizeof(Point));
    }
    String(p.text);
    String(p.id);
    String(p.label);
    Put(Count(p.fonts.size()));
    for (const LabelFont& font : p.fonts) {
      String(font.face_name);
      Put(font.height), Put(font.style), Put(font.pitch), Put(font.color), Put(font.charset);
    }
    Put(Count(p.layers.size()));
    for (const auto& layer : p.layers) {
      Put(layer ? LayerKind::kHere : LayerKind::kNone);
      if (layer) PutPicture(*layer, depth + 1);
    }
  }

 private:
  template <class T>
  void Put(const T& value) {
    static_assert(std::is_trivially_copyable_v<T>);
    out_.append(reinterpret_cast<const char*>(&value), sizeof value);
  }
  static uint32_t Count(size_t n) {
    if (n > std::numeric_limits<uint32_t>::max()) throw std::length_error("picture too large");
    return static_cast<uint32_t>(n);
  }
  void String(const std::string& s) {
    Put(Count(s.size()));
    out_ += s;
  }

  std::string& out_;
};

struct Damage {};

class Reader {
 public:
  explicit Reader(std::string_view bytes) : rest_(bytes) {}

  void ReadPicture(Picture& p, int depth) {
    if (depth > kMaxSpillDepth) throw Damage();
    p.width = Get<int32_t>();
    p.height = Get<int32_t>();
    uint32_t records = CountOf(1);
    p.records.reserve(records);
    for (uint32_t i = 0; i < records; ++i) p.records.push_back(ReadRecord());
    uint32_t points = CountOf(sizeof(Point));
    // Copied point by point: a resize would first clear the memory the points then fill.
    const char* from = Bytes(size_t{points} * sizeof(Point)).data();
    p.points.reserve(points);
    for (uint32_t i = 0; i < points; ++i, from += sizeof(Point)) {
      Point& point = p.points.emplace_back();
      std::memcpy(&point, from, sizeof point);
    }
    p.text = String();
    p.id = String();
    p.label = String();
    p.fonts.resize(CountOf(kFontBytes));
    for (LabelFont& font : p.fonts) {
      font.face_name = String();
      font.height = Get<int32_t>();
      font.style = Get<uint8_t>();
      font.pitch = Get<uint8_t>();
      font.color = Get<ColorValue>();
      font.charset = Get<uint8_t>();
    }
    p.layers.resize(CountOf(1));
    for (auto& layer : p.layers) {
      if (Enum<LayerKind>(0, 1) == LayerKind::kHere) {
        auto read = std::make_shared<Picture>();
        ReadPicture(*read, depth + 1);
        layer = std::move(read);
      }
    }
  }

  bool AtEnd() const { return rest_.empty(); }

 private:
  template <class T>
  T Get() {
    static_assert(std::is_trivially_copyable_v<T>);
    T value;
    std::memcpy(&value, Bytes(sizeof value).data(), sizeof value);
    return value;
  }
  std::string_view Bytes(size_t n) {
    if (n > rest_.size()) throw Damage();
    std::string_view bytes = rest_.substr(0, n);
    rest_.remove_prefix(n);
    return bytes;
  }
  std::string String() { return std::string(Bytes(Get<uint32_t>())); }
  // A count of things of at least `least` bytes each, which the bytes left must hold.
  uint32_t CountOf(size_t least) {
    uint32_t n = Get<uint32_t>();
    if (n > rest_.size() / least) throw Damage();
    return n;
  }
  // An enumeration's value, or damage.
  template <class E>
  E Enum(uint8_t first, uint8_t last) {
    auto value = Get<uint8_t>();
    if (value < first || value > last) throw Damage();
    return static_cast<E>(value);
  }
  Point At() { return {Get<int32_t>(), Get<int32_t>()}; }

  Record ReadRecord() {
    switch (Get<uint8_t>()) {
      case 0: {
        auto style = Enum<PenStyle>(0, 1);
        auto width = Get<int32_t>();
        return PenRec{style, width, Get<ColorValue>()};
      }
      case 1: {
        auto style = Enum<BrushStyle>(0, 2);
        return BrushRec{style, Get<ColorValue>()};
      }
      case 2:
        return FontRec{Get<uint32_t>()};
      case 3:
        return TextColorRec{Get<ColorValue>()};
      case 4:
        return BkColorRec{Get<ColorValue>()};
      case 5:
        return BkModeRec{Enum<BkMode>(1, 2)};
      case 6: {
        auto first = Get<uint32_t>();
        return PolylineRec{first, Get<uint32_t>()};
      }
      case 7: {
        auto first = Get<uint32_t>();
        return PolygonRec{first, Get<uint32_t>()};
      }
      case 8: {
        Point from = At();
        return LineRec{from, At()};
      }
      case 9: {
        Point at = At();
        auto first = Get<uint32_t>();
        return TextRec{at, first, Get<uint32_t>()};
      }
      case 10:
        return LayerRec{Get<uint32_t>()};
      default:
        throw Damage();
    }
  }

  std::string_view rest_;
};

// The type bytes above follow the order of Record's alternatives.
static_assert(std::variant_size_v<Record> == 11 &&
              std::is_same_v<std::variant_alternative_t<0, Record>, PenRec> &&
              std::is_same_v<std::variant_alternative_t<5, Record>, BkModeRec> &&
              std::is_same_v<std::variant_alternative_t<8, Record>, LineRec> &&
              std::is_same_v<std::variant_alternative_t<10, Record>, LayerRec>);
static_assert(sizeof(Point) == 8 && std::is_trivially_copyable_v<Point>);

}  // namespace

void EncodePicture(const Picture& picture, std::string& out) { Writer(out).PutPicture(picture, 0); }

bool DecodePicture(std::string_view bytes, Picture& picture) {
  picture = {};
  try {
    Reader reader(bytes);
    reader.ReadPicture(picture, 0);
    return reader.AtEnd();
  } catch (const Damage&) {
    return false;
  }
}

PictureSpill::PictureSpill(const std::string& drawing) : drawing_(drawing) {
  try {
    file_ = std::make_unique<platform::ScratchFile>(platform::LinkTarget(drawing) + ".sheets");
  } catch (const std::system_error& e) {
    throw base::ConversionError::Unwritable(base::PlatformTextToUtf8(drawing), e.code().message());
  }
}

PictureSpill::~PictureSpill() = default;

const std::string& PictureSpill::path() const { return file_->path(); }

void PictureSpill::Add(const Picture& picture) {
  bytes_.assign(sizeof(FrameLength), '\0');
  EncodePicture(picture, bytes_);
  FrameLength length = bytes_.size() - sizeof(FrameLength);
  std::memcpy(bytes_.data(), &length, sizeof length);
  try {
    file_->Write(bytes_);
  } catch (const std::system_error& e) {
    throw base::ConversionError::Unwritable(base::PlatformTextToUtf8(drawing_), e.code().message());
  }
  size_ += bytes_.size();
}

void PictureSpill::Rewind() {
  std::string().swap(bytes_);  // the largest picture's bytes, not needed for reading
  try {
    file_->Rewind();
  } catch (const std::system_error& e) {
    Damaged(e.code().message());
  }
  read_ = 0;
}

void PictureSpill::Next(Picture& picture) {
  if (read_ >= size_) Damaged("no picture left");
  try {
    FrameLength length = 0;
    if (file_->Read(reinterpret_cast<char*>(&length), sizeof length) != sizeof length) {
      Damaged("cut short");
    }
    // Never more than was written: a damaged length costs no memory.
    if (length > size_ - read_ - sizeof length) Damaged("damaged");
    // Grown without clearing: the read fills it.
    if (length > frame_size_) {
      frame_ = std::make_unique_for_overwrite<char[]>(length);
      frame_size_ = length;
    }
    if (file_->Read(frame_.get(), length) != length) Damaged("cut short");
    if (!DecodePicture(std::string_view(frame_.get(), length), picture)) Damaged("damaged");
    read_ += sizeof length + length;
  } catch (const std::system_error& e) {
    Damaged(e.code().message());
  }
}

void PictureSpill::Damaged(const std::string& reason) const {
  throw base::ConversionError::Unreadable(base::PlatformTextToUtf8(file_->path()), reason);
}

}  // namespace sheetwright::picture
