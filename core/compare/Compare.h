// The reference catalogue comparison with DPD1.txt.
#pragma once

#include "app/App.h"

namespace pelorin {

// Tools -> "Compare" (and key 5): switches the comparison on or off.
void Compare_Click(App& app);
// Reads block CatalogueBlock of DPD1.txt (indexing the file first when
// CatalogueBlockCount is 0), places its groups and spots and sets the title.
// Returns false (comparison to be left off) after reporting a missing or
// unreadable file, or one with more than 10000 blocks.
bool CompareCatalogue(App& app);

}  // namespace pelorin
