// Entry names as the archive passes use them: GBK names from Chinese Windows
// turned into UTF-8, and stored paths cut to what stays inside a folder.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "pipeline/Rar4Names.h"

namespace pipeline {

// The library reports narrow names in the current locale and leaves names it
// cannot represent empty: the program runs under the environment's UTF-8
// locale, or C.UTF-8 when the environment names none. True when a UTF-8
// locale is in force afterwards.
bool UseUtf8Locale();

// The length of the valid UTF-8 sequence at text[i], 0 when none starts
// there (overlong forms, surrogates and values above U+10FFFF are invalid);
// the one UTF-8 rule, for archive names and the command line's JSON alike.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i);
bool IsValidUtf8(std::string_view text);

// Code page 936 (GBK) to UTF-8; empty when the bytes are not GBK.
std::optional<std::string> Cp936ToUtf8(std::string_view text);

// UTF-8 for a wide name that holds UTF-16 surrogate pairs (characters outside
// the basic plane as Windows stores them), which the library cannot turn
// into a narrow name; empty when the name holds none.
std::optional<std::string> SurrogateNameToUtf8(const std::wstring& wide);

// The name an entry lands under; `converted` says it differs from the name
// the library would use. Packages made on Chinese Windows may store names in
// code page 936 without a Unicode copy; the library then hands back the raw
// bytes (with `\` already turned into `/`). Such names from a Windows host
// are converted: those whose header says so (`form`), and, where the header
// was not read, those that are not valid UTF-8. Names with characters outside
// the basic plane come back empty from the library and are taken from the
// wide copy. Every other name is kept.
std::string LandingName(const std::string& narrowName, const std::wstring& wideName,
                        unsigned hostOs, NameForm form, bool& converted);

// The .EPT rule: the last four characters, upper-cased, are ".EPT".
bool HasEptSuffix(const std::string& path);

// The stored path reduced the way the library reduces it before writing:
// everything up to the last ".." component dropped, empty and "." components
// and a leading drive or root dropped; `/` between the rest. Empty when
// nothing is left.
std::string ContainedPath(std::string_view storedPath);

// The names a job has put in its staging folder, looked up without regard to
// letter case as the device's own file systems do: a stored path whose
// folders (or file) differ from earlier ones only in case lands in them.
// Paths are relative, `/` between components; case is folded for ASCII.
class LandedNames {
public:
    // The path under which `path` lands, each component spelt as it first
    // landed; components new to the folder are kept as given and remembered.
    std::string Resolve(const std::string& path);
    void Clear() { m_spelling.clear(); }

private:
    std::unordered_map<std::string, std::string> m_spelling;  // folded -> as landed
};

}  // namespace pipeline
