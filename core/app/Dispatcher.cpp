#include "app/Dispatcher.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <vector>

#include "app/Navigation.h"
#include "app/Readout.h"
#include "base/Text.h"
#include "app/Compare.h"
#include "app/PictureLoad.h"
#include "app/Geometry.h"
#include "app/Edits.h"
#include "app/Points.h"
#include "app/SpotReview.h"

namespace pelorin {

namespace {

// Runs one statement under the dispatcher's failure handler: on failure a
// scroll key stops at the end of its range and the key turns into "*".
template <typename F>
void Guarded(App& app, std::int16_t& key, F&& statement) {
  try {
    statement();
  } catch (...) {
    try {
      switch (key) {
        case '8': app.win.SetScrollValue(ScrollBar::V, 0); break;
        case '4': app.win.SetScrollValue(ScrollBar::H, 0); break;
        case '2': app.win.SetScrollValue(ScrollBar::V, app.win.ScrollMax(ScrollBar::V)); break;
        case '6': app.win.SetScrollValue(ScrollBar::H, app.win.ScrollMax(ScrollBar::H)); break;
        default: break;
      }
    } catch (...) {
    }
    key = kRedrawKey;
  }
}

void RunKey(App& app, std::int16_t& key) {
  ProgramState& s = app.s;
  WindowPort& w = app.win;
  const auto is = [&key](char c) { return key == static_cast<std::int16_t>(c); };
  const auto either = [&key](char c) {
    return key == static_cast<std::int16_t>(c) ||
           key == static_cast<std::int16_t>(c - 'a' + 'A');
  };
  if (is('8')) {
    Guarded(app, key, [&] { StepScroll(app, ScrollBar::V, -1000); });
  } else if (is('2')) {
    Guarded(app, key, [&] { StepScroll(app, ScrollBar::V, 1000); });
  } else if (is('4')) {
    Guarded(app, key, [&] { StepScroll(app, ScrollBar::H, -1000); });
  } else if (is('6')) {
    Guarded(app, key, [&] { StepScroll(app, ScrollBar::H, 1000); });
  } else if (is('+')) {
    s.PixelGridStep = static_cast<std::int16_t>(RoundToWhole(s.PixelGridStep / 2.0));
    if (s.PixelGridStep < 10) s.PixelGridStep = 10;
  } else if (is('-')) {
    const int next = s.PixelGridStep * 2;
    if (next >= 1280) {
      s.PixelGridStep = 1280;
      Guarded(app, key, [&] { PlotInputPoints(app); });
    } else {
      s.PixelGridStep = static_cast<std::int16_t>(next);
    }
  } else if (is('5')) {
    if (w.MenuEnabled(Menu::Compare)) {
      if (s.CompareOn == 1) {
        s.CompareOn = 0;
        s.RefSpotCount = 0;
        s.RefGroupCount = 0;
        s.CompareDayOffset = 0;
      } else {
        s.CompareOn = 1;
        Guarded(app, key, [&] {
          if (!CompareCatalogue(app)) {
            s.CompareOn = 0;
            s.RefSpotCount = 0;
            s.RefGroupCount = 0;
          }
        });
      }
    }
  } else if (either('o')) {
    s.CatalogueBlock = std::max(s.CatalogueBlock - 1, 1.0f);
    Guarded(app, key, [&] {
      if (s.CompareOn == 1 && !CompareCatalogue(app)) {
        s.CompareOn = 0;
        s.RefSpotCount = 0;
        s.RefGroupCount = 0;
      }
    });
  } else if (either('p')) {
    s.CatalogueBlock = std::min(s.CatalogueBlock + 1, static_cast<float>(s.CatalogueBlockCount));
    Guarded(app, key, [&] {
      if (s.CompareOn == 1 && !CompareCatalogue(app)) {
        s.CompareOn = 0;
        s.RefSpotCount = 0;
        s.RefGroupCount = 0;
      }
    });
  } else if (either('j')) {
    s.ShowGroupNames = s.ShowGroupNames == 0 ? kTrue : kFalse;
  } else if (either('h')) {
    s.AllGroupNames = s.AllGroupNames == 0 ? kTrue : kFalse;
  } else if (either('k')) {
    s.GroupNameIndex = static_cast<std::int16_t>(std::max(s.GroupNameIndex - 1, 1));
  } else if (either('l')) {
    s.GroupNameIndex = static_cast<std::int16_t>(std::min<int>(s.GroupNameIndex + 1, s.RefGroupCount));
  } else if (either('c')) {
    s.GridColour = s.GridColour == 0 ? 14 : 0;
  } else if (either('u')) {
    if (w.MenuEnabled(Menu::objectview)) s.ShowObjects = s.ShowObjects == 0 ? 1 : 0;
  } else if (either('a')) {
    s.AutoselectMode = static_cast<std::int16_t>((s.AutoselectMode + 1) % 3);
    if (s.ManualSelection == 0) s.SelectModeText = "Autoselect mode " + s.AutoselectNames[static_cast<std::size_t>(s.AutoselectMode)];
    Guarded(app, key, [&] { RewriteStatus(app); });
  } else if (either('m')) {
    Guarded(app, key, [&] {
      Selectmode_Click(app);
      RewriteStatus(app);
    });
  } else if (is('f')) {
    s.PictureIndex = static_cast<std::int16_t>(std::min<int>(s.PictureIndex + 1, s.PictureCount));
    s.OpenFromList = kTrue;
    Guarded(app, key, [&] { ucitavanje_Click(app); });
    s.OpenFromList = 0;
  } else if (is('F')) {
    s.PictureIndex = static_cast<std::int16_t>(std::max(s.PictureIndex - 1, 1));
    s.OpenFromList = kTrue;
    Guarded(app, key, [&] { ucitavanje_Click(app); });
    s.OpenFromList = 0;
  }
}

}  // namespace

void DoCommand(App& app, std::int16_t& key) {
  try {
    app.pic.RestoreClean();
  } catch (...) {
  }
  try {
    RunKey(app, key);
  } catch (...) {
    // Nothing escapes the dispatcher.
  }
  key = kRedrawKey;
  try {
    DrawOverlays(app);
  } catch (...) {
  }
}

void Redraw(App& app) {
  std::int16_t key = kRedrawKey;
  DoCommand(app, key);
}

}  // namespace pelorin
