#include "platform/win32/gdi_cache.h"

#include <cwchar>
#include <utility>

#include "platform/win32/measure.h"
#include "platform/win32/wide.h"

namespace platform::win32 {
namespace {

// Tried in order after the requested face. Wine ships neither Arial nor MS Sans Serif;
// Liberation Sans has Arial's metrics, so captions fit their boxes as designed.
constexpr const wchar_t* kFallbackFaces[] = {L"Liberation Sans", L"Arial", L"Tahoma",
                                             L"DejaVu Sans"};

// Whether the font mapper chose `face` (any case); it silently substitutes when the name is
// missing.
bool HasFace(HFONT font, const wchar_t* face) {
  const MemoryDc dc(CreateCompatibleDC(nullptr));
  const Selection selected(dc.Get(), font);
  wchar_t actual[LF_FACESIZE] = {};
  GetTextFaceW(dc.Get(), LF_FACESIZE, actual);
  return _wcsicmp(actual, face) == 0;
}

OwnedFont CreateFace(LOGFONTW logFont, const wchar_t* face) {
  wcsncpy(logFont.lfFaceName, face, LF_FACESIZE - 1);
  OwnedFont font(CreateFontIndirectW(&logFont));
  if (font && !HasFace(font.Get(), face)) font.Reset();
  return font;
}

}  // namespace

GdiCache::~GdiCache() {
  for (const MadeFont& made : fonts_) DeleteObject(made.font);
  for (const MadeBrush& made : brushes_) DeleteObject(made.brush);
}

HFONT GdiCache::Font(const std::optional<FontDesign>& design) {
  if (!design) return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  for (const auto& made : fonts_) {
    if (made.design.face == design->face && made.design.points == design->points &&
        made.design.bold == design->bold) {
      return made.font;
    }
  }

  LOGFONTW logFont{};
  logFont.lfHeight = FontHeightForPoints(design->points, dpi_);
  logFont.lfWeight = design->bold ? FW_BOLD : FW_NORMAL;
  logFont.lfCharSet = DEFAULT_CHARSET;
  logFont.lfOutPrecision = OUT_DEFAULT_PRECIS;
  logFont.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  logFont.lfQuality = DEFAULT_QUALITY;
  logFont.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;

  const wchar_t* const requested = Wide(design->face);
  OwnedFont font = CreateFace(logFont, requested);
  for (const wchar_t* face : kFallbackFaces) {
    if (font) break;
    font = CreateFace(logFont, face);
  }
  if (!font) {
    // Whatever the mapper offers for a Swiss face of this size.
    wcsncpy(logFont.lfFaceName, requested, LF_FACESIZE - 1);
    font.Reset(CreateFontIndirectW(&logFont));
  }
  if (!font) return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  fonts_.push_back({*design, font.Get()});
  return font.Release();
}

HBRUSH GdiCache::Brush(Rgb color) {
  for (const auto& made : brushes_) {
    if (made.color == color) return made.brush;
  }
  OwnedBrush brush(CreateSolidBrush(ToColorRef(color)));
  brushes_.push_back({color, brush.Get()});
  return brush.Release();
}

}  // namespace platform::win32
