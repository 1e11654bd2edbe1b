// Placeholders until the comparison and help land; each is removed as its
// real definition is written.
#include <stdexcept>

#include "app/Help.h"
#include "compare/Compare.h"

namespace pelorin {
void Compare_Click(App&) { throw std::logic_error("not built yet"); }
bool CompareCatalogue(App&) { throw std::logic_error("not built yet"); }
std::string CommandsText() { return {}; }
std::string NoteText() { return {}; }
std::string AboutText() { return {}; }
void naredbe_Click(App&) {}
void uputa_Click(App&) {}
void about_Click(App&) {}
}  // namespace pelorin
