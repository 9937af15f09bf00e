#include "core/json_util.h"

#include <cstring>

JsonTree ParseJson(const char* text, size_t length) {
    if (!text || (length >= 3 && memcmp(text, "\xEF\xBB\xBF", 3) == 0)) return nullptr;
    json_settings settings = {};
    settings.max_memory = kJsonMaxMemory;
    return JsonTree(json_parse_ex(&settings, text, length, nullptr));
}

const json_value* JsonMember(const json_value* obj, const char* key) {
    if (!obj || obj->type != json_object) return nullptr;
    size_t keyLen = strlen(key);
    for (unsigned i = 0; i < obj->u.object.length; ++i) {
        const json_object_entry& e = obj->u.object.values[i];
        if (e.name_length == keyLen && memcmp(e.name, key, keyLen) == 0) return e.value;
    }
    return nullptr;
}

const json_value* JsonMemberOfType(const json_value* obj, const char* key, json_type type) {
    const json_value* v = JsonMember(obj, key);
    return v && v->type == type ? v : nullptr;
}

bool JsonIntArray(const json_value* v, int* out, unsigned n) {
    if (!v || v->type != json_array || v->u.array.length < n) return false;
    int tmp[8] = {};
    if (n > 8) return false;
    for (unsigned i = 0; i < n; ++i) {
        const json_value* e = v->u.array.values[i];
        if (e->type == json_integer) {
            tmp[i] = static_cast<int>(e->u.integer);
        } else if (e->type == json_boolean) {
            tmp[i] = e->u.boolean ? 1 : 0;
        } else {
            return false;
        }
    }
    for (unsigned i = 0; i < n; ++i)
        out[i] = tmp[i];
    return true;
}

bool JsonFlag(const json_value* v) {
    if (!v) return false;
    if (v->type == json_boolean) return v->u.boolean != 0;
    if (v->type == json_integer) return v->u.integer != 0;
    return false;
}
