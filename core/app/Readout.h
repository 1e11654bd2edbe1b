// The status-line read-out under the pointer.
#pragma once

#include <cstdint>
#include <string>

#include "app/App.h"

namespace pelorin {

// Pointer moved over the picture to (X, Y) in picture pixels. With the left
// button and Shift only it is a drag step and the status line stays.
void Picture1_MouseMove(App& app, int button, int shift, double X, double Y);

// The status text for a pointer at (X, Y); may set CoordSystem to 8 once the
// picture is calibrated.
std::string ReadoutText(App& app, double X, double Y);

// Rewrites the status line without a pointer position (keys "a" and "m").
void RewriteStatus(App& app);

// Grey level (R + G + B) / 3 of a colour 0x00BBGGRR; -1 (outside) gives 255.
double GreyLevel(std::int32_t colour);

}  // namespace pelorin
