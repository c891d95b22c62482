// The salvage of last resort: a library whose first page (the file header and the root of the engine's
// list of tables) is destroyed cannot be opened by the engine at all, but its other pages still hold the
// rows. They are read page by page (see CPageFile) and each row is given to a table of the system's own
// schema: by the tree it hangs in when the list of tables' own pages survived, else by its shape
// (CRecordMatcher). The rows go, with their keys, into a new file of the system's schema.
#pragma once

#include <string>
#include <vector>

#include "maintenance/salvage/PageFile.h"
#include "platform/core/CString.h"

namespace qh::maint {

struct PageSalvageResult {
  struct Table {
    CString name;
    long saved = 0;
  };
  std::uint32_t pageSize = 0;  // 0: no page of the file could be read
  std::vector<Table> tables;   // every table of the system's schema, in its order
  long untold = 0;             // rows more than one table admits, left out
  long refused = 0;            // rows the new file would not take
  long Saved() const;
};

// One row given to a table, with the page it came from.
struct PlacedRow {
  int table = -1;
  RawRow row;
};

// Gives the rows of the file's table leaf pages to the tables of the system's schema; `untold` counts
// the rows of pages more than one table admits. Rows of a table whose tree was found whole come only
// from that tree: other pages of its shape are freed ones and hold deleted rows.
std::vector<PlacedRow> PlaceRows(const CPageFile& pages, long* untold);

// Reads the damaged file at `damagedHostPath` and adds its rows to the new file `targetHostPath` (made by
// the schema creator), a row replacing one of the same key or unique value. Raises the engine's
// CDaoException* when either file cannot be opened or the new file cannot be written.
PageSalvageResult SalvagePages(const std::string& damagedHostPath, const std::string& targetHostPath);

}  // namespace qh::maint
