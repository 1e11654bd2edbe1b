// The program headless over a picture read through the decoders, in a fresh
// folder: what the decoder tests open FITS and JPEG 2000 pictures with.
#pragma once

#include "Decoders.h"
#include "ScriptedWindow.h"
#include "TestApp.h"
#include "app/App.h"
#include "app/Startup.h"

namespace pelorin::test {

struct DataApp {
  DataApp() { Form_Load(app, 15.0f); }
  TempFolder folder;
  ScriptedWindow win;
  decoders::DecodedRasterPicture pic;
  App app{win, pic};
};

}  // namespace pelorin::test
