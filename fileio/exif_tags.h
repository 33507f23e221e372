// The EXIF tag dictionaries: for each kind of IFD (TIFF IFD0/IFD1, Exif,
// GPS, Interoperability) the tag numbers it knows with their English names,
// and the rows that give the Japanese text of a tag name or of a
// "<Tag>_<value>" combination. Constant data shared by both programs.
#pragma once
#include <cstdint>

struct IfdTagRow {
    const char* key;    // English tag name, or "%s_%u" of the name and a value
    const char* text;   // Japanese display text (CP932)
};

struct IfdTagTable {
    const uint32_t* tags;
    const char* const* names;   // English name of tags[i]
    int tagCount;
    const IfdTagRow* rows;
    int rowCount;
};

extern const IfdTagTable kTiffTagTable;
extern const IfdTagTable kExifTagTable;
extern const IfdTagTable kGpsTagTable;
extern const IfdTagTable kInteropTagTable;

// English name of a tag, "" when the table does not know it.
const char* IfdTagName(const IfdTagTable& table, uint32_t tag);
// Text of the row whose key equals `key` exactly, or null.
const char* IfdRowText(const IfdTagTable& table, const char* key);
