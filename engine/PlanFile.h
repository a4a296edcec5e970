#pragma once

#include <string>
#include <vector>

#include "engine/Fahrunit.h"
#include "engine/Positionunit.h"

// The track-plan and route files as they stand on disk, read in one piece so that a broken file is
// found before any table changes. Reading throws TextFileError for a file that cannot be read, a
// malformed number, a negative count or a count larger than the records that follow.

// One text label of a plan file; its font is still the font line.
struct PlanLabelRecord {
    std::string Name;
    std::string TextInfo;
    int XText = 0, YText = 0;
    int Textwkl = 0;
    std::string fontLine;
};

struct PlanFileContents {
    int count = 0; // the element count as the file states it
    // The records that are kept, in file order, each with CompID set to its record number (from 1).
    std::vector<tPosEntry> entries;
    std::vector<PlanLabelRecord> labels;
};

struct RouteFileContents {
    std::vector<C_fahrelement> elements; // the usable records, in file order
    int Anz_strassen = 0;                // never below the highest route number of the elements
};

// Element kinds run from 1 to 88 and positions from 0; other records are dropped.
bool isKeptPlanRecord(const tPosEntry& entry);
// The state a plan element is drawn in: its own when that names an icon (1..3, 11..13), else 1.
int drawnPlanState(int stellung);
// A route element needs a route number from 1 and a route state 11..13; other records are dropped.
bool isUsableRouteRecord(const C_fahrelement& element);

PlanFileContents parsePlanFile(const std::string& bytes, const std::string& fileName);
RouteFileContents parseRouteFile(const std::string& bytes, const std::string& fileName);

// The whole file as bytes; throws TextFileError when it cannot be opened or read.
std::string readWholeFile(const std::string& path);
