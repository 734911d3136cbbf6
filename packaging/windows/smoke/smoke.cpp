// Exercises each third-party library once; prints one line per library and exits non-zero
// when one of them fails. Argument 1: a font file for the subsetter (default: the first
// font fontconfig lists). PROJ_DATA must point at the prefix's share/proj.
#include <cairo-ft.h>
#include <cairo-win32.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <hb-subset.h>
#include <hb.h>
#include <libdeflate.h>
#include <libxml/parser.h>
#include <png.h>
#include <proj.h>
#include <sqlite3.h>
#include <windows.h>
#include <GL/glu.h>

#include <agg_path_storage.h>
#include <agg_conv_stroke.h>
#include <agg_bounding_rect.h>

#include <gdal.h>
#include <ogr_api.h>
#include <ogr_srs_api.h>
#include <ogrsf_frmts.h>

#ifdef HAVE_QPDF
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>
#endif

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

static int failures = 0;
static void check(bool ok, const char* what, const std::string& detail) {
  std::printf("%-12s %s %s\n", what, ok ? "ok  " : "FAIL", detail.c_str());
  if (!ok) ++failures;
}

int main(int argc, char** argv) {
  // fontconfig: fonts of the Windows fonts folder.
  std::string font_file = argc > 1 ? argv[1] : "";
  FcInit();
  FcPattern* all = FcPatternCreate();
  FcObjectSet* os = FcObjectSetBuild(FC_FAMILY, FC_FILE, nullptr);
  FcFontSet* fonts = FcFontList(nullptr, all, os);
  int nfonts = fonts ? fonts->nfont : 0;
  FcPattern* want = FcNameParse(reinterpret_cast<const FcChar8*>("IPAGothic"));
  FcConfigSubstitute(nullptr, want, FcMatchPattern);
  FcDefaultSubstitute(want);
  FcResult result;
  FcPattern* match = FcFontMatch(nullptr, want, &result);
  FcChar8* family = nullptr;
  FcChar8* file = nullptr;
  if (match) {
    FcPatternGetString(match, FC_FAMILY, 0, &family);
    FcPatternGetString(match, FC_FILE, 0, &file);
  }
  if (font_file.empty() && file) font_file = reinterpret_cast<char*>(file);
  check(nfonts > 0, "fontconfig",
        std::to_string(nfonts) + " fonts; IPAGothic -> " +
            (family ? reinterpret_cast<char*>(family) : "(none)") + " " +
            (file ? reinterpret_cast<char*>(file) : ""));

  // FreeType + cairo (FT font backend, image surface, PNG) + the Win32 surface.
  FT_Library ft;
  FT_Init_FreeType(&ft);
  FT_Int ma, mi, pa;
  FT_Library_Version(ft, &ma, &mi, &pa);
  check(true, "freetype", std::to_string(ma) + "." + std::to_string(mi) + "." + std::to_string(pa));
  cairo_surface_t* img = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 200, 60);
  cairo_t* cr = cairo_create(img);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  if (match) {
    cairo_font_face_t* face = cairo_ft_font_face_create_for_pattern(match);
    cairo_set_font_face(cr, face);
    cairo_font_face_destroy(face);
  }
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_set_font_size(cr, 24);
  cairo_move_to(cr, 5, 40);
  cairo_show_text(cr, "\xe5\x9c\xb0\xe5\x9b\xb3 Map");  // 地図
  std::vector<unsigned char> png_bytes;
  cairo_status_t st = cairo_surface_write_to_png_stream(
      img,
      [](void* closure, const unsigned char* data, unsigned int length) {
        auto* v = static_cast<std::vector<unsigned char>*>(closure);
        v->insert(v->end(), data, data + length);
        return CAIRO_STATUS_SUCCESS;
      },
      &png_bytes);
  cairo_destroy(cr);
  cairo_surface_destroy(img);
  cairo_surface_t* dib = cairo_win32_surface_create_with_dib(CAIRO_FORMAT_ARGB32, 16, 16);
  bool dib_ok = cairo_surface_status(dib) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(dib);
  check(st == CAIRO_STATUS_SUCCESS && png_bytes.size() > 100 && dib_ok, "cairo",
        std::string(cairo_version_string()) + ", PNG " + std::to_string(png_bytes.size()) +
            " bytes, win32 DIB surface " + (dib_ok ? "ok" : "failed"));

  // harfbuzz: subset the font to a few characters.
  hb_blob_t* blob = hb_blob_create_from_file(font_file.c_str());
  hb_face_t* hbface = hb_face_create(blob, 0);
  hb_subset_input_t* in = hb_subset_input_create_or_fail();
  hb_set_t* cps = hb_subset_input_unicode_set(in);
  for (hb_codepoint_t c : {0x5730u, 0x56f3u, 0x4du, 0x61u, 0x70u}) hb_set_add(cps, c);
  hb_face_t* sub = hb_subset_or_fail(hbface, in);
  unsigned int full = hb_blob_get_length(blob);
  unsigned int small = 0;
  if (sub) {
    hb_blob_t* sb = hb_face_reference_blob(sub);
    small = hb_blob_get_length(sb);
    hb_blob_destroy(sb);
    hb_face_destroy(sub);
  }
  hb_subset_input_destroy(in);
  hb_face_destroy(hbface);
  hb_blob_destroy(blob);
  check(sub != nullptr && small > 0 && small < full, "harfbuzz",
        std::string(hb_version_string()) + ", subset of " + font_file + ": " +
            std::to_string(full) + " -> " + std::to_string(small) + " bytes");

  // zlib/libpng/libdeflate/agg/GLU/libxml2/sqlite3/PROJ: one call each.
  libdeflate_compressor* comp = libdeflate_alloc_compressor(6);
  std::vector<char> out(1024);
  const char text[] = "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa";
  size_t n = libdeflate_deflate_compress(comp, text, sizeof text, out.data(), out.size());
  libdeflate_free_compressor(comp);
  check(n > 0 && n < sizeof text, "libdeflate", std::to_string(sizeof text) + " -> " + std::to_string(n));
  check(png_access_version_number() > 0, "libpng", PNG_LIBPNG_VER_STRING);
  agg::path_storage path;
  path.move_to(0, 0);
  path.line_to(100, 50);
  agg::conv_stroke<agg::path_storage> stroke(path);
  stroke.width(10);
  double x1, y1, x2, y2;
  agg::bounding_rect_single(stroke, 0, &x1, &y1, &x2, &y2);
  check(x2 > 100, "agg", "stroke bounds " + std::to_string(x1) + ".." + std::to_string(x2));
  GLUtesselator* tess = gluNewTess();
  check(tess != nullptr, "glu", "gluNewTess");
  if (tess) gluDeleteTess(tess);
  const char xml[] = "<svg xmlns='http://www.w3.org/2000/svg'><path d='M0 0'/></svg>";
  xmlDocPtr doc = xmlReadMemory(xml, sizeof xml - 1, "t.svg", nullptr, 0);
  check(doc != nullptr, "libxml2", LIBXML_DOTTED_VERSION);
  if (doc) xmlFreeDoc(doc);
  check(sqlite3_libversion_number() > 3000000, "sqlite3", sqlite3_libversion());
  PJ_CONTEXT* pj = proj_context_create();
  PJ* crs = proj_create(pj, "EPSG:6668");
  check(crs != nullptr, "proj",
        std::string(proj_info().release) + ", EPSG:6668 " +
            (crs ? proj_get_name(crs) : "not found (PROJ_DATA?)"));
  if (crs) proj_destroy(crs);
  proj_context_destroy(pj);
#ifdef HAVE_QPDF
  QPDF pdf;
  pdf.emptyPDF();
  QPDFWriter w(pdf);
  w.setOutputMemory();
  w.write();
  check(w.getBuffer()->getSize() > 0, "qpdf", QPDF::QPDFVersion());
#endif

  // GDAL: an in-memory GeoPackage with one point, written, closed and read back.
  GDALAllRegister();
  GDALDriver* drv = GetGDALDriverManager()->GetDriverByName("GPKG");
  bool gdal_ok = false;
  std::string gdal_detail = std::string(GDALVersionInfo("RELEASE_NAME")) + ", ";
  if (drv) {
    const char* name = "/vsimem/smoke.gpkg";
    GDALDataset* ds = drv->Create(name, 0, 0, 0, GDT_Unknown, nullptr);
    if (ds) {
      OGRSpatialReference srs;
      srs.importFromEPSG(6668);
      OGRLayer* layer = ds->CreateLayer("points", &srs, wkbPoint, nullptr);
      OGRFieldDefn field("name", OFTString);
      layer->CreateField(&field);
      OGRFeature* f = OGRFeature::CreateFeature(layer->GetLayerDefn());
      f->SetField("name", "\xe6\x9d\xb1\xe4\xba\xac");  // 東京
      OGRPoint pt(139.7, 35.7);
      f->SetGeometry(&pt);
      layer->CreateFeature(f);
      OGRFeature::DestroyFeature(f);
      GDALClose(ds);
      GDALDataset* rd = GDALDataset::Open(name, GDAL_OF_VECTOR);
      if (rd) {
        OGRLayer* l = rd->GetLayerByName("points");
        long long count = l ? l->GetFeatureCount() : -1;
        const OGRSpatialReference* s = l ? l->GetSpatialRef() : nullptr;
        gdal_detail += "GPKG read back " + std::to_string(count) + " feature(s), SRS " +
                       (s && s->GetName() ? s->GetName() : "(none)");
        gdal_ok = count == 1;
        GDALClose(rd);
      } else {
        gdal_detail += "reopen failed";
      }
      VSIUnlink(name);
    } else {
      gdal_detail += std::string("create failed: ") + CPLGetLastErrorMsg();
    }
  } else {
    gdal_detail += "no GPKG driver";
  }
  check(gdal_ok, "gdal", gdal_detail);

  if (match) FcPatternDestroy(match);
  FcPatternDestroy(want);
  if (fonts) FcFontSetDestroy(fonts);
  FcObjectSetDestroy(os);
  FcPatternDestroy(all);
  FT_Done_FreeType(ft);
  std::printf("%d failed\n", failures);
  return failures == 0 ? 0 : 1;
}
