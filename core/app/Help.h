// The Help menu's texts.
#pragma once

#include <string>

#include "app/App.h"

namespace pelorin {

// Lines joined by a carriage return (code 13).
std::string CommandsText();
std::string NoteText();
std::string AboutText();

void naredbe_Click(App& app);
void uputa_Click(App& app);
void about_Click(App& app);

}  // namespace pelorin
