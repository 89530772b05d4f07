#pragma once

#include <rapidjson/document.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>

// Small readers shared by the message parsers. Where the parsers' rules
// differ (what a null member means, whether a wrong type is an error), the
// caller says which rule it follows; nothing here refuses a message itself.
namespace JsonRead {

// Parses the text into the document and returns its root when that is an
// object, null otherwise (no text, broken JSON, or another kind of root;
// doc.HasParseError() tells broken JSON apart). Parsing is iterative, so
// deeply nested junk cannot exhaust the stack.
const rapidjson::Value* ParseObject(rapidjson::Document& doc, const char* pJson);

// What a member holding JSON null stands for.
enum class eNull {
    Absent, // as if the member were not there
    Value   // a present member, of a type no reader below accepts
};

// The member named pKey, or null when there is none (or, with
// eNull::Absent, when it holds JSON null).
const rapidjson::Value* Find(const rapidjson::Value& object, const char* pKey, eNull eNullIs);

// What a typed reader found. The field is written only on Stored.
enum class eRead { Absent, WrongType, Stored };

// Store the member when it has the type: Int takes a 32-bit signed integer,
// Uint a 32-bit unsigned one, String keeps embedded NULs.
eRead Int(const rapidjson::Value& object, const char* pKey, std::int32_t& field,
          eNull eNullIs = eNull::Value);
eRead Uint(const rapidjson::Value& object, const char* pKey, std::uint32_t& field,
           eNull eNullIs = eNull::Value);
eRead Bool(const rapidjson::Value& object, const char* pKey, bool& field,
           eNull eNullIs = eNull::Value);
eRead String(const rapidjson::Value& object, const char* pKey, std::string& field,
             eNull eNullIs = eNull::Value);

// True when no read found its member absent. Each read is made before the
// call, in order, so a message's every member is stored even when one is
// missing: `AllPresent({Int(...), Bool(...)})`.
inline bool AllPresent(std::initializer_list<eRead> reads) {
    return std::find(reads.begin(), reads.end(), eRead::Absent) == reads.end();
}

// A section of a document: an object member. Its absence fails the
// document (bResult becomes false); a value of another type is skipped
// without failing it. The section when it is an object, null otherwise.
const rapidjson::Value* Section(const rapidjson::Value& object, const char* pKey, bool& bResult);

// Clears the whole field, then copies the text up to its first NUL, cut to
// leave room for the terminator. The cut backs off to a UTF-8 character
// boundary: the panel shows these texts and half a character is garbage.
// A null text leaves the field empty.
void CopyCut(char* pDest, std::size_t uSize, const char* pText);

template <std::size_t N> void CopyCut(char (&dest)[N], const char* pText) {
    CopyCut(dest, N, pText);
}

template <std::size_t N> void CopyCut(char (&dest)[N], const std::string& text) {
    CopyCut(dest, N, text.c_str());
}

// A text field never keeps more memory than its current value needs: after
// one huge message, assigning or clearing in place would keep the huge
// buffer for the life of the process, so these swap the old buffer out.
void Keep(std::string& field, const char* pText, std::size_t uLength);
inline void Clear(std::string& field) {
    std::string().swap(field);
}
// Restores an object to a fresh one the same way, for its text members.
template <class T> void Renew(T& object, T fresh) {
    std::swap(object, fresh);
}

} // namespace JsonRead
