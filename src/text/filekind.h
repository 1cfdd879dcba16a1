// Which kind of data file a file is, told from its first bytes, so that a
// file given for the wrong option is refused with a sentence that names the
// option reading it, rather than read as something it is not.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace gradix {

// The kinds of file Gradix reads.
enum class DataFileKind { Profile, ChainBreaks, IcdAlignment, LandXml, DxfDrawing };

// Bytes at the head of a file that its kind is told from (64 KiB).
inline constexpr std::size_t SNIFFED_BYTES = std::size_t{1} << 16;

// The kind a file certainly is, told from its first SNIFFED_BYTES:
// - LandXml: an XML document whose root element is LandXML (any prefix);
// - DxfDrawing: the sentinel of a binary DXF file, or an ASCII one that
//   opens with "0" and "SECTION" (after any 999 comments);
// - IcdAlignment: four start values, then element records that begin with a
//   kind code 1 to 6, with commas between values or ";;" comment lines
//   (neither of which a profile or a chain-break file holds);
// - Profile and ChainBreaks: their lines have the same form (numbers
//   separated by blanks), so a file is certainly one of them only when its
//   name says so (.zdm or .sqx a profile, .dl chain breaks, any case) and its
//   lines up to the first empty one have that kind's form (a stake, with or
//   without its stretch letter, and an elevation; two plain numbers).
// nullopt when the kind is not certain, also for a file that cannot be read.
// Never raises.
std::optional<DataFileKind> certainKindOf(const std::string& path);

// The sentence that names the option for a kind ("这是LandXML文件，请用
// --landxml 读入").
const char* otherKindReason(DataFileKind kind);

// Raises DataError(otherKindReason), located at path, when the file is
// certainly of another kind than expected; does nothing otherwise.
void refuseOtherKind(const std::string& path, DataFileKind expected);

// For the plain-text files whose lines no other kind shares the form of (the
// cross-section and ground-line files): raises DataError(otherKindReason),
// located at path, for a LandXML file and a drawing.
void refuseXmlOrDrawing(const std::string& path);

}  // namespace gradix
