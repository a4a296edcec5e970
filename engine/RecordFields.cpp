#include "engine/RecordFields.h"

int RecordReader::readInt(const char* what) {
    if (!m_reader.hasValue())
        endsEarly(what);
    try {
        return m_reader.readInt();
    } catch (const TextFileError& e) {
        // The reader names the file and the line; the record makes it findable in a long file.
        if (m_record.empty())
            throw;
        throw TextFileError(std::string(e.what()) + " (" + m_record + ")");
    }
}

std::string RecordReader::readString(const char* what) {
    if (m_reader.atEnd())
        endsEarly(what);
    // Taken as it stands, a tab or another control byte included: the command builders refuse a
    // value that would carry one onto the wire, where it is sent.
    return m_reader.readString();
}

int RecordReader::readCount(const char* what) {
    const int count = readInt(what);
    if (count < 0)
        fail("line " + std::to_string(m_reader.line() - 1) + ": negative " + what + ": " +
             std::to_string(count));
    return count;
}

bool RecordReader::roomFor(long long records, int linesPerRecord) const {
    // Each line takes at least its line end; the last one may lack it.
    return records * linesPerRecord * 2 <= static_cast<long long>(m_reader.remainingBytes()) + 2;
}

void RecordReader::fail(const std::string& message) const {
    throw TextFileError(m_reader.name() + (m_record.empty() ? "" : ", " + m_record) + ": " + message);
}

void RecordReader::endsEarly(const char* what) const {
    fail(std::string("the file ends before the ") + what);
}
