#pragma once
// The reference host's configuration reader. A configuration file is Lua 5.4 source, run in a
// sandbox; what the chunk assigns to global names becomes the file's entries:
//
//     fov = 60                   -- a key (integer)
//     Lattidue = 55.75           -- a key (float)
//     graphics = { reflection = 2, shadows = true }   -- a named block of keys
//
// - Entries are the top-level globals in the order of their first assignment; a name later set
//   to nil is dropped. Values that are functions are not entries.
// - A table value is a named block whose entries are its string-keyed values, sorted by name
//   (other keys are ignored). A table inside a block is a nested block; a table that contains
//   itself is not followed, nesting stops at 16 levels and a file yields at most 65536 entries.
//   Reading them back looks at no more than 2^20 keys and copies no more bytes of names and
//   strings than the memory budget (a table or string referred to from many places counts each
//   time); what lies beyond is left out.
// - getInt accepts an integer, or a float with an integral value, within the range of int;
//   getFloat accepts any number. A string, boolean or block is the wrong type (false).
// - The sandbox offers the base functions that cannot reach files, the OS or the garbage
//   collector (assert, error, ipairs, next, pairs, pcall, rawequal, rawget, rawlen, select,
//   tonumber, tostring, type, xpcall, _VERSION) and the math, string and table libraries, the
//   string library without pattern matching (find, match, gmatch, gsub) and the table library
//   without table.move: they run in C, beyond the instruction budget, for as long as their
//   arguments say. Only source text is run, never precompiled chunks. A chunk runs at most
//   1,000,000 Lua instructions and 16 MB of Lua memory; past either it fails with an error.
// - A missing file, a syntax or run-time error gives a reader with no entries, and getError()
//   names the file and line as Lua reports it ("path:line: message").
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "enviro/host/CommonServices.h"

namespace refhost {

// What one configuration file may cost.
struct RefConfigLimits {
    long long instructions = 1000000;  // Lua instructions
    size_t memoryBytes = 16u << 20;    // Lua memory
    size_t fileBytes = 16u << 20;      // size of the file
};

class RefConfigReader final : public common::IConfigReader {
public:
    using Limits = RefConfigLimits;

    // Reads and runs the file at path; chunkName names it in error messages.
    static std::unique_ptr<RefConfigReader> fromFile(const std::string& path, const std::string& chunkName,
                                                     const Limits& limits = Limits());
    // Runs source text.
    static std::unique_ptr<RefConfigReader> fromSource(const std::string& source, const std::string& chunkName,
                                                       const Limits& limits = Limits());
    // A reader with no entries and this error.
    static std::unique_ptr<RefConfigReader> failed(const std::string& error);

    RefConfigReader() = default;
    ~RefConfigReader() override;

    int getEntryCount() const override { return static_cast<int>(m_entries.size()); }
    const char* getEntryName(int index) const override;
    bool isBlock(int index) const override;
    const common::IConfigReader* getBlock(int index) const override;
    bool getInt(const char* name, int* out) const override;
    bool getFloat(const char* name, float* out) const override;
    const char* getError() const override { return m_error.c_str(); }
    // A string value; false when absent or not a string.
    bool getString(const char* name, std::string* out) const;

    enum class Kind { Integer, Float, String, Boolean, Block };
    struct Entry {
        std::string name;
        Kind kind = Kind::Integer;
        long long integer = 0;
        double number = 0.0;  // Float
        std::string text;     // String
        bool boolean = false;
        std::unique_ptr<RefConfigReader> block;
    };
    const std::vector<Entry>& entries() const { return m_entries; }

private:
    struct Collector;  // turns the chunk's globals into entries
    const Entry* find(const char* name) const;
    void indexEntries();  // fills m_index from m_entries
    const Entry* at(int index) const;

    std::vector<Entry> m_entries;
    std::unordered_map<std::string, size_t> m_index;  // name -> position in m_entries
    std::string m_error;
};

}  // namespace refhost
