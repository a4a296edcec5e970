#include "engine/PlanFile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <sys/stat.h>

#include "engine/elementunit.h"
#include "platform/TextFile.h"

namespace {

// Reads values the way the data files are written, one per line, but refuses to run past the end:
// a record cut short is an error here, where the plain reader would make up zeros.
class RecordReader {
public:
    RecordReader(const std::string& bytes, const std::string& fileName)
        : m_reader(TextReader::fromBytes(bytes, fileName)) {}

    int readInt(const char* what) {
        if (!m_reader.hasValue())
            endsEarly(what);
        return m_reader.readInt();
    }

    std::string readString(const char* what) {
        if (m_reader.atEnd())
            endsEarly(what);
        return m_reader.readString();
    }

    // Nothing but line ends and blanks left: a count line that is missing there reads 0.
    bool onlyBlanksLeft() const { return !m_reader.hasValue(); }

    int readCount(const char* what) {
        const int count = readInt(what);
        if (count < 0)
            throw TextFileError(m_reader.name() + ", line " + std::to_string(m_reader.line() - 1) +
                                ": negative " + what + ": " + std::to_string(count));
        return count;
    }

    // The smallest number of bytes that n more records of the given line count still need, to
    // refuse absurd counts before anything is reserved.
    bool roomFor(long long records, int linesPerRecord) const {
        return records * linesPerRecord * 2 <= static_cast<long long>(m_reader.remainingBytes()) + 2;
    }

private:
    [[noreturn]] void endsEarly(const char* what) const {
        throw TextFileError(m_reader.name() + ": the file ends before the " + std::string(what));
    }

    TextReader m_reader;
};

// One line of a record: the member it fills and the name an error message gives it.
template <class Record> struct Field {
    Field(int Record::*member, const char* name) : intMember(member), what(name) {}
    Field(std::string Record::*member, const char* name) : stringMember(member), what(name) {}
    int Record::*intMember = nullptr;
    std::string Record::*stringMember = nullptr;
    const char* what;
};

template <class Record> Record readRecord(RecordReader& r, std::initializer_list<Field<Record>> fields) {
    Record record;
    for (const Field<Record>& f : fields) {
        if (f.intMember)
            record.*f.intMember = r.readInt(f.what);
        else
            record.*f.stringMember = r.readString(f.what);
    }
    return record;
}

} // namespace

bool isKeptPlanRecord(const tPosEntry& entry) {
    return entry.Enummer >= 1 && entry.Enummer <= NROFELEMENTS && entry.Posx >= 0 && entry.Posy >= 0;
}

int drawnPlanState(int stellung) {
    if ((stellung >= 1 && stellung <= 3) || (stellung >= 11 && stellung <= 13))
        return stellung;
    return 1;
}

bool isUsableRouteRecord(const C_fahrelement& element) {
    return element.Fahrnr >= 1 && element.Stellung >= 11 && element.Stellung <= 13;
}

PlanFileContents parsePlanFile(const std::string& bytes, const std::string& fileName) {
    RecordReader r(bytes, fileName);
    PlanFileContents plan;
    plan.count = r.readCount("element count");
    if (r.roomFor(plan.count, 13))
        plan.entries.reserve(static_cast<std::size_t>(plan.count));
    for (int i = 1; i <= plan.count; ++i) {
        tPosEntry e = readRecord<tPosEntry>(r, {{&tPosEntry::CompID, "element number"},
                                                {&tPosEntry::Enummer, "element kind"},
                                                {&tPosEntry::Posx, "element x position"},
                                                {&tPosEntry::Posy, "element y position"},
                                                {&tPosEntry::Stellung, "element state"},
                                                {&tPosEntry::Decod1, "element decoder 1"},
                                                {&tPosEntry::Decod2, "element decoder 2"},
                                                {&tPosEntry::Decod3, "element decoder 3"},
                                                {&tPosEntry::Daten1, "element output 1"},
                                                {&tPosEntry::Daten2, "element output 2"},
                                                {&tPosEntry::Daten3, "element output 3"},
                                                {&tPosEntry::Fahrnr, "element route number"},
                                                {&tPosEntry::Protokoll, "element protocol"}});
        if (!isKeptPlanRecord(e))
            continue;
        e.CompID = i;
        plan.entries.push_back(std::move(e));
    }

    const int labels = r.onlyBlanksLeft() ? 0 : r.readCount("label count");
    for (int i = 0; i < labels; ++i) {
        plan.labels.push_back(readRecord<PlanLabelRecord>(r, {{&PlanLabelRecord::Name, "label name"},
                                                              {&PlanLabelRecord::TextInfo, "label text"},
                                                              {&PlanLabelRecord::XText, "label x position"},
                                                              {&PlanLabelRecord::YText, "label y position"},
                                                              {&PlanLabelRecord::Textwkl, "label angle"},
                                                              {&PlanLabelRecord::fontLine, "label font"}}));
    }
    return plan;
}

RouteFileContents parseRouteFile(const std::string& bytes, const std::string& fileName) {
    RecordReader r(bytes, fileName);
    RouteFileContents routes;
    const int count = r.readCount("route element count");
    for (int i = 0; i < count; ++i) {
        const C_fahrelement element =
            readRecord<C_fahrelement>(r, {{&C_fahrelement::Fahrnr, "route number"},
                                          {&C_fahrelement::Gleiselementnr, "route element kind"},
                                          {&C_fahrelement::Xpos, "route element x position"},
                                          {&C_fahrelement::Ypos, "route element y position"},
                                          {&C_fahrelement::Stellung, "route element state"}});
        if (isUsableRouteRecord(element))
            routes.elements.push_back(element);
    }
    int counter = r.onlyBlanksLeft() ? 0 : r.readInt("route counter");
    // The counter numbers the next new route; one below a stored route would merge the two.
    for (const C_fahrelement& element : routes.elements)
        counter = std::max(counter, element.Fahrnr);
    routes.Anz_strassen = std::max(counter, 0);
    return routes;
}

std::string readWholeFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        throw TextFileError("cannot open " + path + ": " + std::strerror(EISDIR));
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw TextFileError("cannot open " + path + ": " + std::strerror(errno));
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        throw TextFileError("cannot read " + path);
    return bytes;
}
