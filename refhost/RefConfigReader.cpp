// Configuration files as sandboxed Lua: run the chunk, then read back what it assigned.
#include "refhost/RefConfigReader.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>

#include <lua.hpp>

namespace refhost {

namespace {

const int kHookInterval = 1000;  // instructions between two budget checks
const int kMaxBlockDepth = 16;
const int kMaxEntries = 65536;
const long long kMaxKeysVisited = 1 << 20;  // keys the reading looks at, entries or not

// Per-state bookkeeping, reached through the allocator's user data.
struct SandboxState {
    size_t memoryUsed = 0;
    size_t memoryLimit = 0;
    long long instructions = 0;
    long long instructionLimit = 0;
};

void* limitedAlloc(void* ud, void* ptr, size_t osize, size_t nsize) {
    auto* s = static_cast<SandboxState*>(ud);
    const size_t old = ptr ? osize : 0;  // without ptr, osize only tells the kind of object
    if (nsize == 0) {
        std::free(ptr);
        s->memoryUsed -= old;
        return nullptr;
    }
    if (nsize > old && s->memoryUsed - old + nsize > s->memoryLimit) return nullptr;
    void* p = std::realloc(ptr, nsize);
    if (p) s->memoryUsed = s->memoryUsed - old + nsize;
    return p;
}

SandboxState* sandboxOf(lua_State* L) {
    void* ud = nullptr;
    lua_getallocf(L, &ud);
    return static_cast<SandboxState*>(ud);
}

// Count hook: once the budget is spent, fail now and at every further instruction, so that a
// chunk cannot catch the error with pcall and carry on.
void budgetHook(lua_State* L, lua_Debug*) {
    SandboxState* s = sandboxOf(L);
    s->instructions += kHookInterval;
    if (s->instructions < s->instructionLimit) return;
    lua_sethook(L, budgetHook, LUA_MASKCOUNT, 1);
    // Name the place like Lua's own errors do; inside a hook, level 0 is the running function.
    lua_Debug where;
    if (lua_getstack(L, 0, &where) && lua_getinfo(L, "Sl", &where) && where.currentline > 0)
        lua_pushfstring(L, "%s:%d: ", where.short_src, where.currentline);
    else
        lua_pushliteral(L, "");
    lua_pushfstring(L, "instruction budget of %d exceeded", static_cast<int>(s->instructionLimit));
    lua_concat(L, 2);
    lua_error(L);
}

// __newindex of the chunk's environment: remember the order of first assignment of each name.
// Upvalue 1: the order list; upvalue 2: the set of names seen.
int recordAssignment(lua_State* L) {
    if (lua_type(L, 2) == LUA_TSTRING && !lua_isnil(L, 3)) {
        lua_pushvalue(L, 2);
        if (lua_rawget(L, lua_upvalueindex(2)) == LUA_TNIL) {
            lua_pushvalue(L, 2);
            lua_pushboolean(L, 1);
            lua_rawset(L, lua_upvalueindex(2));
            lua_pushvalue(L, 2);
            lua_rawseti(L, lua_upvalueindex(1), static_cast<lua_Integer>(lua_rawlen(L, lua_upvalueindex(1))) + 1);
        }
        lua_pop(L, 1);
    }
    lua_rawset(L, 1);
    return 0;
}

const char* const kBaseFunctions[] = {"assert", "error",  "ipairs",   "next",     "pairs", "pcall",  "rawequal",
                                      "rawget", "rawlen", "select",   "tonumber", "tostring", "type", "xpcall",
                                      "_VERSION"};
const char* const kLibraries[] = {LUA_MATHLIBNAME, LUA_STRLIBNAME, LUA_TABLIBNAME};
// Pattern matching runs in C, outside the instruction budget, and a pattern such as
// ".-.-.-.-.-b" takes time polynomial of high degree in the subject's length: left out.
const char* const kPatternFunctions[] = {"find", "match", "gmatch", "gsub"};

// string.rep of an empty string with an empty separator loops n times in C, outside the
// instruction budget, to make an empty string: give that result at once. Upvalue 1: the library's
// string.rep, which does everything else (its other loops are bounded by the memory budget).
int repWithoutEmptyLoop(lua_State* L) {
    size_t length = 0, separatorLength = 0;
    luaL_checklstring(L, 1, &length);
    luaL_checkinteger(L, 2);
    luaL_optlstring(L, 3, "", &separatorLength);
    if (length == 0 && separatorLength == 0) {
        lua_pushliteral(L, "");
        return 1;
    }
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_insert(L, 1);
    lua_call(L, lua_gettop(L) - 1, 1);
    return 1;
}

// Builds the sandbox; leaves the environment and the order list on the stack.
int buildSandbox(lua_State* L) {
    luaL_requiref(L, LUA_GNAME, luaopen_base, 1);
    luaL_requiref(L, LUA_MATHLIBNAME, luaopen_math, 1);
    luaL_requiref(L, LUA_STRLIBNAME, luaopen_string, 1);
    for (const char* name : kPatternFunctions) {  // also reached through the strings' metatable
        lua_pushnil(L);
        lua_setfield(L, -2, name);
    }
    lua_getfield(L, -1, "rep");
    lua_pushcclosure(L, repWithoutEmptyLoop, 1);
    lua_setfield(L, -2, "rep");
    luaL_requiref(L, LUA_TABLIBNAME, luaopen_table, 1);
    // table.move copies as many elements as its arguments say, nils included, in C outside the
    // instruction budget: left out.
    lua_pushnil(L);
    lua_setfield(L, -2, "move");
    lua_settop(L, 0);

    lua_newtable(L);  // 1: what the chunk may use
    for (const char* name : kBaseFunctions) {
        lua_getglobal(L, name);
        lua_setfield(L, 1, name);
    }
    for (const char* name : kLibraries) {
        lua_getglobal(L, name);
        lua_setfield(L, 1, name);
    }

    lua_newtable(L);  // 2: the chunk's environment
    lua_newtable(L);  // 3: order list
    lua_newtable(L);  // 4: metatable of the environment
    lua_pushvalue(L, 1);
    lua_setfield(L, 4, "__index");
    lua_pushvalue(L, 3);
    lua_newtable(L);  // names seen
    lua_pushcclosure(L, recordAssignment, 2);
    lua_setfield(L, 4, "__newindex");
    lua_pushboolean(L, 0);
    lua_setfield(L, 4, "__metatable");  // getmetatable would say false; nobody may change it
    lua_setmetatable(L, 2);
    lua_remove(L, 1);
    return 2;
}

// The error on top of the stack; Lua's own messages already start with "chunk:line:".
std::string errorText(lua_State* L, const std::string& chunkName) {
    const char* msg = lua_type(L, -1) == LUA_TSTRING ? lua_tostring(L, -1) : nullptr;
    return msg ? msg : chunkName + ": error object is not a string";
}

bool readFile(const std::string& path, size_t maxBytes, std::string* out, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = "cannot open " + path;
        return false;
    }
    in.seekg(0, std::ios::end);
    std::streamoff size = in.tellg();
    if (size < 0 || static_cast<unsigned long long>(size) > maxBytes) {
        *error = path + ": file too large";
        return false;
    }
    in.seekg(0, std::ios::beg);
    out->resize(static_cast<size_t>(size));
    if (size > 0 && !in.read(&(*out)[0], size)) {
        *error = "cannot read " + path;
        return false;
    }
    return true;
}

}  // namespace

// Reads values back from the Lua state with calls that neither allocate in Lua nor raise errors.
// A table or string that the chunk refers to from many places is read once per reference, so the
// reading has budgets of its own: entries, keys looked at, and bytes of names and strings copied
// (no more than the chunk's memory budget).
struct RefConfigReader::Collector {
    Collector(lua_State* state, size_t textBudget) : L(state), textLeft(textBudget) {}
    lua_State* L;
    int count = 0;
    long long visited = 0;
    size_t textLeft;
    std::vector<const void*> path;  // tables being read, outermost first

    // Takes bytes from the text budget; false (nothing taken) when they do not fit.
    bool takeText(size_t bytes) {
        if (bytes > textLeft) return false;
        textLeft -= bytes;
        return true;
    }

    // The value on top of the stack into entry; false when it is not a kind of entry.
    bool value(Entry* entry, int depth) {
        switch (lua_type(L, -1)) {
            case LUA_TNUMBER:
                if (lua_isinteger(L, -1)) {
                    entry->kind = Kind::Integer;
                    entry->integer = lua_tointeger(L, -1);
                } else {
                    entry->kind = Kind::Float;
                    entry->number = lua_tonumber(L, -1);
                }
                return true;
            case LUA_TSTRING: {
                size_t len = 0;
                const char* s = lua_tolstring(L, -1, &len);
                if (!takeText(len)) return false;
                entry->kind = Kind::String;
                entry->text.assign(s, len);
                return true;
            }
            case LUA_TBOOLEAN:
                entry->kind = Kind::Boolean;
                entry->boolean = lua_toboolean(L, -1) != 0;
                return true;
            case LUA_TTABLE: return block(entry, depth);
            default: return false;
        }
    }

    bool block(Entry* entry, int depth) {
        const void* table = lua_topointer(L, -1);
        if (depth >= kMaxBlockDepth || std::find(path.begin(), path.end(), table) != path.end()) return false;
        if (!lua_checkstack(L, 4)) return false;
        entry->kind = Kind::Block;
        entry->block.reset(new RefConfigReader());
        path.push_back(table);
        const int t = lua_gettop(L);
        lua_pushnil(L);
        while (lua_next(L, t) != 0) {  // key at -2, value at -1
            if (++visited > kMaxKeysVisited) {
                lua_pop(L, 2);
                break;
            }
            if (lua_type(L, -2) == LUA_TSTRING) add(entry->block->m_entries, -2, depth + 1);
            lua_pop(L, 1);
        }
        path.pop_back();
        std::sort(entry->block->m_entries.begin(), entry->block->m_entries.end(),
                  [](const Entry& a, const Entry& b) { return a.name < b.name; });
        entry->block->indexEntries();
        return true;
    }

    // Adds the value on top of the stack under the string key at keyIndex.
    void add(std::vector<Entry>& entries, int keyIndex, int depth) {
        if (count >= kMaxEntries) return;
        Entry e;
        size_t len = 0;
        const char* key = lua_tolstring(L, keyIndex, &len);
        if (!takeText(len)) return;
        e.name.assign(key, len);
        if (!value(&e, depth)) return;
        ++count;
        entries.push_back(std::move(e));
    }

    // Globals of env (stack index) in the order listed in order (stack index).
    void globals(std::vector<Entry>& entries, int env, int order) {
        const lua_Integer n = static_cast<lua_Integer>(lua_rawlen(L, order));
        for (lua_Integer i = 1; i <= n; ++i) {
            lua_rawgeti(L, order, i);  // the name
            lua_pushvalue(L, -1);
            lua_rawget(L, env);  // its value now
            if (!lua_isnil(L, -1)) add(entries, -2, 0);
            lua_pop(L, 2);
        }
    }
};

std::unique_ptr<RefConfigReader> RefConfigReader::failed(const std::string& error) {
    std::unique_ptr<RefConfigReader> reader(new RefConfigReader());
    reader->m_error = error.empty() ? "configuration error" : error;
    return reader;
}

std::unique_ptr<RefConfigReader> RefConfigReader::fromFile(const std::string& path, const std::string& chunkName,
                                                           const Limits& limits) {
    std::string source, error;
    if (!readFile(path, limits.fileBytes, &source, &error)) return failed(error);
    return fromSource(source, chunkName, limits);
}

std::unique_ptr<RefConfigReader> RefConfigReader::fromSource(const std::string& source,
                                                             const std::string& chunkName, const Limits& limits) {
    SandboxState sandbox;
    sandbox.memoryLimit = limits.memoryBytes;
    sandbox.instructionLimit = limits.instructions;
    std::unique_ptr<lua_State, void (*)(lua_State*)> state(lua_newstate(limitedAlloc, &sandbox), lua_close);
    lua_State* L = state.get();
    if (!L) return failed(chunkName + ": cannot create the Lua state");

    lua_pushcfunction(L, buildSandbox);
    if (lua_pcall(L, 0, 2, 0) != LUA_OK) return failed(chunkName + ": " + errorText(L, chunkName));
    const int env = 1, order = 2;

    const std::string name = "@" + chunkName;
    if (luaL_loadbufferx(L, source.data(), source.size(), name.c_str(), "t") != LUA_OK)
        return failed(errorText(L, chunkName));
    lua_pushvalue(L, env);
    lua_setupvalue(L, -2, 1);  // the chunk's _ENV
    lua_sethook(L, budgetHook, LUA_MASKCOUNT, kHookInterval);
    const int status = lua_pcall(L, 0, 0, 0);
    lua_sethook(L, nullptr, 0, 0);
    if (status != LUA_OK) return failed(errorText(L, chunkName));

    std::unique_ptr<RefConfigReader> reader(new RefConfigReader());
    Collector collector(L, limits.memoryBytes);
    collector.globals(reader->m_entries, env, order);
    reader->indexEntries();
    return reader;
}

RefConfigReader::~RefConfigReader() = default;

const RefConfigReader::Entry* RefConfigReader::at(int index) const {
    if (index < 0 || index >= getEntryCount()) return nullptr;
    return &m_entries[static_cast<size_t>(index)];
}

// Looked up by name through an index: a host that reads every key of a large file by name would
// otherwise take time quadratic in the number of keys.
void RefConfigReader::indexEntries() {
    m_index.clear();
    m_index.reserve(m_entries.size());
    for (size_t i = 0; i < m_entries.size(); ++i) m_index.emplace(m_entries[i].name, i);  // keeps the first
}

const RefConfigReader::Entry* RefConfigReader::find(const char* name) const {
    if (!name) return nullptr;
    const auto it = m_index.find(name);
    return it == m_index.end() ? nullptr : &m_entries[it->second];
}

const char* RefConfigReader::getEntryName(int index) const {
    const Entry* e = at(index);
    return e ? e->name.c_str() : nullptr;
}

bool RefConfigReader::isBlock(int index) const {
    const Entry* e = at(index);
    return e && e->kind == Kind::Block;
}

const common::IConfigReader* RefConfigReader::getBlock(int index) const {
    const Entry* e = at(index);
    return e && e->kind == Kind::Block ? e->block.get() : nullptr;
}

bool RefConfigReader::getInt(const char* name, int* out) const {
    const Entry* e = find(name);
    if (!e || !out) return false;
    if (e->kind == Kind::Integer) {
        if (e->integer < INT_MIN || e->integer > INT_MAX) return false;
        *out = static_cast<int>(e->integer);
        return true;
    }
    if (e->kind == Kind::Float) {
        double v = e->number;
        if (!(v >= INT_MIN && v <= INT_MAX) || std::floor(v) != v) return false;
        *out = static_cast<int>(v);
        return true;
    }
    return false;
}

bool RefConfigReader::getFloat(const char* name, float* out) const {
    const Entry* e = find(name);
    if (!e || !out) return false;
    if (e->kind == Kind::Integer) {
        *out = static_cast<float>(e->integer);
        return true;
    }
    if (e->kind == Kind::Float) {
        *out = static_cast<float>(e->number);
        return true;
    }
    return false;
}

bool RefConfigReader::getString(const char* name, std::string* out) const {
    const Entry* e = find(name);
    if (!e || !out || e->kind != Kind::String) return false;
    *out = e->text;
    return true;
}

}  // namespace refhost
