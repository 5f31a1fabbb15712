#pragma once

#include "crop/PagePipeline.h"

class Picture;
class RunReport;
struct ScanAhead;

// The pages of the loaded `scan` for `recipe`: the ones a batch worker made ahead (`ahead`) when
// they were made for exactly what this scan takes now; otherwise (a single cut, the first scans
// of a batch, a scan of another size) made here. When the pages follow the book, a line in
// `report` says where it was found.
PreparedScan scanPages(const Picture& scan, const ScanRecipe& recipe, ScanAhead* ahead,
                       RunReport& report);
