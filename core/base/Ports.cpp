#include "base/Ports.h"

#include <array>

namespace pelorin {

namespace {
struct MenuInfo {
  const char* name;
  const char* caption;
};
constexpr std::array<MenuInfo, static_cast<std::size_t>(Menu::Count)> kMenus{{
    {"File", "File"},
    {"ucitavanje", "Open"},
    {"spremi", "Save"},
    {"spremisliku", "Save Image"},
    {"exportMeasurements", "Export measurements\xE2\x80\xA6"},
    {"exportRegionSummary", "Export region summary\xE2\x80\xA6"},
    {"Close", "Close"},
    {"Edit", "Edit"},
    {"undo", "Undo"},
    {"redo", "Redo"},
    {"Setings", "Settings"},
    {"koor", "Coor. system"},
    {"Ishodiste", "Zero point"},
    {"datum", "Date and Time"},
    {"Ulaz", "Input"},
    {"Limb", "Sun's limb"},
    {"AutoLimb", "Automatic limb"},
    {"orient", "Orientation"},
    {"dnevnihod", "Parallel to the Earth's equator"},
    {"ossunca", "Sun's rotation axis"},
    {"Objekt", "New object"},
    {"observerK", "Observer's k factor"},
    {"Tools", "Tools"},
    {"Selectmode", "Manual selection mode"},
    {"Compare", "Compare"},
    {"Series", "Series…"},
    {"monthlyReport", "Monthly report…"},
    {"findSpots", "Find sunspots"},
    {"View", "View"},
    {"mreza", "Heliographic coordinates"},
    {"objectview", "Object"},
    {"measurements", "Measurements"},
    {"Help", "Help"},
    {"uputa", "Note"},
    {"naredbe", "Commands"},
    {"about", "About"},
}};
}  // namespace

const char* MenuCaption(Menu m) { return kMenus[static_cast<std::size_t>(m)].caption; }
const char* MenuName(Menu m) { return kMenus[static_cast<std::size_t>(m)].name; }

std::uint32_t QBColor(int index) {
  static constexpr std::array<std::uint32_t, 16> kPalette{
      RGB(0, 0, 0),     RGB(0, 0, 128),   RGB(0, 128, 0),   RGB(0, 128, 128),
      RGB(128, 0, 0),   RGB(128, 0, 128), RGB(128, 128, 0), RGB(192, 192, 192),
      RGB(128, 128, 128), RGB(0, 0, 255), RGB(0, 255, 0),   RGB(0, 255, 255),
      RGB(255, 0, 0),   RGB(255, 0, 255), RGB(255, 255, 0), RGB(255, 255, 255)};
  return kPalette[static_cast<std::size_t>(index) & 15u];
}

void PicturePort::PointMark(double x, double y, std::uint32_t colour) { PSet(x, y, colour); }

void PicturePort::Mark3x3(double x, double y, std::uint32_t colour) {
  for (int i = -1; i <= 1; ++i)
    for (int j = -1; j <= 1; ++j) PSet(x + i, y + j, colour);
}

}  // namespace pelorin
