#pragma once

#include <QChar>
#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

#include "platform/date_time.h"
#include "platform/exception.h"

// A settings file that cannot be read or written.
QEL_DECLARE_EXCEPTION(EIniFileException, Exception);

namespace qel {

// How an ini file's text is stored. A file is written back in the encoding it was read in.
enum class IniEncoding : uint8_t {
    Ansi,     // Windows-1252, no byte-order mark
    Utf8Bom,  // UTF-8 with a byte-order mark
    Utf16LE,  // UTF-16 little-endian with a byte-order mark
    Utf16BE,  // UTF-16 big-endian with a byte-order mark
};

// An ini file held in memory, with the semantics of Windows profile files so that files shared
// with the Windows programs read the same:
// - section and key names are matched without regard to case;
// - the first of two sections or two keys of the same name is the one that counts;
// - sections, keys, comments and lines the program does not know keep their text and place;
//   a new key goes to the end of its section, a new section to the end of the file;
// - blanks around keys and values are dropped on reading, and one pair of double quotes
//   around a value is stripped; a value that would not read back as written is written in
//   double quotes;
// - LF and CRLF line ends are read, CRLF is written;
// - a UTF-8 or UTF-16 byte-order mark is honoured, Windows-1252 is read otherwise; the file is
//   written back in its own encoding, except that text Windows-1252 cannot hold turns an
//   ANSI file into UTF-8 with a byte-order mark.
// Nothing reaches the disk before UpdateFile, which writes a temporary file in the same folder
// and renames it over the old one.
//
// Not thread-safe: one thread uses an instance at a time.
class IniFile {
public:
    // Reads the file; a missing file reads as empty. Raises EIniFileException when the file
    // exists but cannot be read, or is larger than any settings file can be.
    explicit IniFile(const QString& aFileName);

    const QString& FileName() const { return FFileName; }
    IniEncoding Encoding() const { return FEncoding; }

    QString ReadString(const QString& aSection, const QString& aIdent,
                       const QString& aDefault) const;
    // Decimal (or "$"/"0x" hexadecimal) text; anything else, or a number outside 32 bits,
    // gives the default.
    int32_t ReadInteger(const QString& aSection, const QString& aIdent, int32_t aDefault) const;
    // Read as an integer: anything but 0 is true.
    bool ReadBool(const QString& aSection, const QString& aIdent, bool aDefault) const;
    // Accepts "," as well as "." as decimal separator whatever aDecimalSeparator is, so that a
    // file written under another locale keeps its values. Text that is no finite number gives
    // the default.
    double ReadFloat(const QString& aSection, const QString& aIdent, double aDefault,
                     QChar aDecimalSeparator) const;

    // Line breaks in a value would split the line: they are written as blanks.
    void WriteString(const QString& aSection, const QString& aIdent, const QString& aValue);
    void WriteInteger(const QString& aSection, const QString& aIdent, int32_t aValue);
    // "1" or "0".
    void WriteBool(const QString& aSection, const QString& aIdent, bool aValue);
    // Up to 15 significant digits, the shortest text that holds them ("1", "0.25", "1.5E-7").
    void WriteFloat(const QString& aSection, const QString& aIdent, double aValue,
                    QChar aDecimalSeparator);

    bool SectionExists(const QString& aSection) const;
    bool ValueExists(const QString& aSection, const QString& aIdent) const;
    // The section's keys in file order, each once.
    QStringList ReadSection(const QString& aSection) const;
    // The names of all sections in file order, each once.
    QStringList ReadSections() const;
    // "key=value" for each key of the section, with the values as ReadString gives them.
    QStringList ReadSectionValues(const QString& aSection) const;

    // Removes every section of that name with all its lines.
    void EraseSection(const QString& aSection);
    // Removes every line of that key from the section.
    void DeleteKey(const QString& aSection, const QString& aIdent);

    // Writes the text to FileName. Raises EIniFileException when it cannot; the old file is
    // then left as it was.
    void UpdateFile();

    // The text as UpdateFile writes it, before encoding.
    QString Text() const;

    // Floats as the ini files hold them, shared by the readers that take a value's text first.
    static QString FloatToText(double aValue, QChar aDecimalSeparator);
    static bool TryTextToFloat(const QString& aText, double& aValue);

private:
    struct Line {
        QString Raw;    // as in the file, without the line end
        QString Key;    // empty when the line holds no key
        QString Value;  // as ReadString gives it
    };
    struct Section {
        QString Name;    // empty for the lines before the first section
        QString Header;  // the header line as in the file
        std::vector<Line> Lines;
    };

    void parse(const QString& aText);
    void rebuildIndex();
    const Section* findSection(const QString& aSection) const;
    Section* findSection(const QString& aSection);
    // Index of the first line of that key, -1 when there is none.
    static qsizetype findLine(const Section& aSection, const QString& aIdent);

    QString FFileName;
    IniEncoding FEncoding = IniEncoding::Ansi;
    // FSections[0] holds the lines before the first section header; it is never looked up.
    std::vector<Section> FSections;
    // Case-folded section name -> index of its first section.
    QHash<QString, size_t> FIndex;
};

// The dated backup of a settings file: the name with its extension replaced by "_ini_", the
// date as yyyymmdd and ".bak" ("server.ini" of 14 August 2020 -> "server_ini_20200814.bak").
QString IniBackupFileName(const QString& aFileName, TDateTime aDate);

// Copies the file, overwriting, to its backup named after the file's own modification date, so
// that the backup holds the state of that day. False when there is no file or the copy failed.
bool BackupIniFile(const QString& aFileName);

}  // namespace qel
