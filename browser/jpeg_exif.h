// The EXIF block of a JPEG file carried over to a rewritten file: the APP1
// "Exif" segment is taken from the old file's bytes and put right after the
// start-of-image marker of the new one. Every marker length is checked against
// the bytes that are there.
#pragma once
#include <string>

// The whole APP1 Exif segment (marker, length and body) of a JPEG file's
// bytes; false when there is none or the markers before it are damaged.
bool ExtractJpegExif(const std::string& jpeg, std::string* segment);
// The JPEG bytes with the segment after their start-of-image marker (an Exif
// segment they carry already is dropped); false when they are no JPEG.
bool InsertJpegExif(const std::string& jpeg, const std::string& segment, std::string* out);

// The Exif segment with its thumbnail (the JPEG data that the second image
// directory points at) replaced by `thumbnail`. Only a thumbnail stored at the
// end of the segment is replaced; false (nothing made) for any other layout,
// a damaged directory or a segment that would grow beyond 65,535 bytes.
bool ReplaceExifThumbnail(const std::string& segment, const std::string& thumbnail, std::string* out);
