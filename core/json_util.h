// Lookups in json-parser value trees with the launcher's rules: exact,
// case-sensitive keys, the first member of a name wins, and a key of a value
// that is not an object reads as missing.
#pragma once

#include <json.h>

#include <memory>

struct JsonValueDeleter {
    void operator()(json_value* v) const { json_value_free(v); }
};
using JsonTree = std::unique_ptr<json_value, JsonValueDeleter>;

// The most memory the parser may take for one text. A manifest's tree is a
// few times its text, but each bracket of a hostile text costs the parser a
// whole value (some 40 bytes); this refuses such a text long before it hurts.
const unsigned long kJsonMaxMemory = 32ul << 20;

// Parses a zero-terminated UTF-8 text. A text that starts with a byte-order
// mark is refused: the parser would skip it where other readers do not, and
// the launcher's files are written without one.
JsonTree ParseJson(const char* text, size_t length);

const json_value* JsonMember(const json_value* obj, const char* key);
const json_value* JsonMemberOfType(const json_value* obj, const char* key, json_type type);

// Reads the first n elements of an array of integers (booleans count as 0 or
// 1) into out. Returns false, out untouched, when the value is not an array
// of at least n such elements.
bool JsonIntArray(const json_value* v, int* out, unsigned n);

// A flag given as a boolean or an integer; nonzero or true is set.
bool JsonFlag(const json_value* v);
