#pragma once

#include <span>
#include <string>
#include <vector>

#include "engine/PositionEntry.h"
#include "engine/RecordFields.h"
#include "engine/RouteElement.h"
#include "engine/elementunit.h"

// The track-plan, route and catalogue files as they stand on disk, read in one piece so that a
// broken file is found before any table changes. Reading throws TextFileError (naming the record)
// for a file that cannot be read, a malformed number, a negative count or a count larger than the
// records that follow.

// One text label of a plan file; its font is still the font line.
struct PlanLabelRecord {
    std::string Name;
    std::string TextInfo;
    int XText = 0, YText = 0;
    int Textwkl = 0;
    std::string fontLine;
};

// A label text longer than this makes the plan file an error: no plan needs one, and a huge one
// would take the drawing a long time and much memory.
inline constexpr std::size_t MaxLabelTextBytes = 4096;

struct PlanFileContents {
    int count = 0; // the element count as the file states it
    // The records that are kept, in file order, each with CompID set to its record number (from 1).
    std::vector<tPosEntry> entries;
    std::vector<PlanLabelRecord> labels;
};

struct RouteFileContents {
    std::vector<C_fahrelement> elements; // the usable records, in file order
    // Never below the highest route number of the elements, and below MaxRouteNumber: a file from
    // which no further route could be numbered is refused.
    int Anz_strassen = 0;
};

// The lines of one record of each file, in file order: the one description that both the reader
// and the writer walk.
std::span<const RecordField<tPosEntry>> planElementFields();
std::span<const RecordField<PlanLabelRecord>> planLabelFields();
std::span<const RecordField<C_fahrelement>> routeElementFields();
std::span<const RecordField<TElementEntry>> catalogueFields();

// Kinds from 1 and positions from 0 are kept; other records are dropped. A kind above the catalogue
// is kept too, so that a later save writes it back; it is neither drawn nor switched.
bool isKeptPlanRecord(const tPosEntry& entry);
// The state a plan element is drawn in: its own when that names an icon (1..3, 11..13), else 1.
int drawnPlanState(int stellung);
// A route element needs a route number from 1 and a route state 11..13; other records are dropped.
bool isUsableRouteRecord(const C_fahrelement& element);

PlanFileContents parsePlanFile(const std::string& bytes, const std::string& fileName);
RouteFileContents parseRouteFile(const std::string& bytes, const std::string& fileName);
// The 88 records of the element catalogue, index 0 first; a catalogue that ends before its last
// record is an error.
std::vector<TElementEntry> parseCatalogueFile(const std::string& bytes, const std::string& fileName);

// A plan (or route) file longer than this is refused. A full plan is well below a megabyte, but
// labels may be many: files of 50 MB still load.
inline constexpr std::size_t MaxPlanFileBytes = 64u << 20;

// The whole file as bytes, as readRegularFile reads it: throws TextFileError when it is missing,
// not a regular file, longer than maxBytes or cannot be read.
std::string readWholeFile(const std::string& path, std::size_t maxBytes = MaxPlanFileBytes);
