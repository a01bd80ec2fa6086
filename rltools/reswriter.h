#pragma once

#include "codepage.h"
#include "pieceimage.h"
#include "resources.h"
#include "tokentable.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct LocalisedFile
{
    std::string bytes;
    std::vector<std::string> notes; // what the user should be told, e.g. a dropped signature
};

// The source file (PE image or .res) with a copy of each menu, dialog, string
// table and version block in `language`: the copy the tokens come from (as
// ChooseLanguageCopy picks it with `sourceLanguages`) with its texts replaced
// by the project tokens' texts (paired by key; an item without a token keeps
// its text). It replaces a copy already in that language; every other copy and
// every other resource is kept. The token file is in `codePage`. Throws
// ResourceError, whose message names the token whose text is malformed or too long.
LocalisedFile WriteLocalisedFile(const std::vector<std::uint8_t> &source, const TokenTable &project,
                                 std::uint16_t language, const std::vector<std::uint16_t> &sourceLanguages = {},
                                 const CodePage &codePage = CodePage::windows1252());

// The same file as pieces to write out one after the other: the source's bytes
// that stay are not copied (the pieces refer to `source`, which must outlive
// them).
struct LocalisedPieces
{
    PieceImage image;
    std::vector<std::string> notes;
    std::vector<Resource> resources; // what the pieces refer to besides the source
};
LocalisedPieces WriteLocalisedPieces(const std::vector<std::uint8_t> &source, const TokenTable &project,
                                     std::uint16_t language, const std::vector<std::uint16_t> &sourceLanguages = {},
                                     const CodePage &codePage = CodePage::windows1252());

// A token's text that cannot go into its resource item: a malformed escape, or
// too long a text. `key` is the token's key, as KeyText gives it.
class TokenTextError : public ResourceError
{
public:
    TokenTextError(std::string tokenKey, const std::string &why) : ResourceError(why), key(std::move(tokenKey)) {}
    std::string key;
};

// The data of one resource with its texts replaced: `textFor` gets the key of each
// token the resource holds and gives the new escaped text, or null to keep it.
// With a language, a version block's string table key and translation value
// name that language. Throws ResourceError, TokenTextError.
using TextLookup = std::function<const std::string *(const std::string &key)>;
std::vector<std::uint8_t> RewriteResource(const Resource &resource, const TextLookup &textFor,
                                          std::optional<std::uint16_t> language = std::nullopt,
                                          const CodePage &codePage = CodePage::windows1252());

// A version string table key ("040904b0": language and code page in hex digits)
// with its language part set to `language`, in the key's own case; any other
// key as it is.
std::u16string VersionTableKeyFor(const std::u16string &key, std::uint16_t language);

// The bytes of a .res file holding these resources.
std::vector<std::uint8_t> WriteResFile(const std::vector<Resource> &resources);
