#pragma once

#include <span>
#include <string>
#include <type_traits>

#include "platform/TextFile.h"

// The data files hold records of one value per line. Each kind of record is described once, as a
// list of its lines (RecordField); the reader and the writer of the file both walk that list, so
// that a field added to one cannot be missing from the other.

// Reads records the way the data files are written, but refuses to run past the end: a record cut
// short is a TextFileError naming the record, where the plain reader would make up zeros.
class RecordReader {
public:
    explicit RecordReader(TextReader reader) : m_reader(std::move(reader)) {}

    // Names the record the next values belong to ("element 3"), for error messages.
    void beginRecord(std::string record) { m_record = std::move(record); }

    int readInt(const char* what);
    // The rest of the line as it stands, a tab, a NUL or a CR inside it included.
    std::string readString(const char* what);
    // A count line: a negative count is an error.
    int readCount(const char* what);

    // Nothing but line ends and blanks left: a count line that is missing there reads 0.
    bool onlyBlanksLeft() const { return !m_reader.hasValue(); }
    // Whether n more records of the given line count can still follow, to refuse absurd counts
    // before anything is reserved.
    bool roomFor(long long records, int linesPerRecord) const;

    // The line the reader stands on: after a value, the one below it.
    int line() const { return m_reader.line(); }

    // Throws TextFileError "<file>, <record>: <message>".
    [[noreturn]] void fail(const std::string& message) const;

private:
    [[noreturn]] void endsEarly(const char* what) const;

    TextReader m_reader;
    std::string m_record;
};

// One line of a record (or, for `lines` above 1, a block of lines that belong together): what an
// error message calls it, how it is read into the record and how it is written from it.
template <class Record> struct RecordField {
    const char* name;
    void (*read)(RecordReader& reader, Record& record, const char* name);
    void (*write)(TextWriter& writer, const Record& record);
    int lines = 1;
};

namespace record_detail {
template <class Member> struct MemberOf;
template <class Owner, class Value> struct MemberOf<Value Owner::*> {
    using Record = Owner;
    using Type = Value;
};
} // namespace record_detail

// A line that holds one int or string member of the record as it stands.
template <auto Member>
constexpr RecordField<typename record_detail::MemberOf<decltype(Member)>::Record>
plainField(const char* name) {
    using Record = typename record_detail::MemberOf<decltype(Member)>::Record;
    using Type = typename record_detail::MemberOf<decltype(Member)>::Type;
    static_assert(std::is_same_v<Type, int> || std::is_same_v<Type, std::string>);
    return {name,
            [](RecordReader& r, Record& record, const char* what) {
                if constexpr (std::is_same_v<Type, std::string>)
                    record.*Member = r.readString(what);
                else
                    record.*Member = r.readInt(what);
            },
            [](TextWriter& w, const Record& record) {
                if constexpr (std::is_same_v<Type, std::string>)
                    w.writeString(record.*Member);
                else
                    w.writeInt(record.*Member);
            }};
}

// Reads the fields in order straight into record: on an error, the fields read before it keep
// their new values.
template <class Record>
void readRecord(RecordReader& reader, Record& record, std::span<const RecordField<Record>> fields) {
    for (const RecordField<Record>& field : fields)
        field.read(reader, record, field.name);
}

template <class Record>
void writeRecord(TextWriter& writer, const Record& record, std::span<const RecordField<Record>> fields) {
    for (const RecordField<Record>& field : fields)
        field.write(writer, record);
}

// The number of lines a record of these fields takes.
template <class Record> int recordLines(std::span<const RecordField<Record>> fields) {
    int lines = 0;
    for (const RecordField<Record>& field : fields)
        lines += field.lines;
    return lines;
}
