// The image-script library: script parsing, the effect list and the calls the
// engine makes. The library keeps its own state (it stands for a separate
// module); the engine reaches it only through the ISL_ calls.
#include "imaging/library/isl.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "imaging/library/isl_effects.h"

namespace {

constexpr long kMaxScriptBytes = 1 << 20;  // scripts are short texts

struct ISLEffectEntry {
    int number;
    int enabled;
    int32_t params[kISLParamCount];
};

struct ISLScript {
    int width;
    int height;
    int effectCount;
    ISLEffectEntry effects[kISLMaxEffects];
};

struct ISLState {
    bool initialized;
    bool scriptLoaded;  // `script` came from a file and has a size
    bool buffersReady;
    ISLScript script;  // the loaded script, or the list built by ISL_AddEffect
};

ISLState g_isl;

bool AppendEffect(ISLScript &script, int number, int enabled) {
    const ISLEffectInfo *info = ISLFindEffect(number);
    if (info == nullptr || script.effectCount >= kISLMaxEffects) return false;
    ISLEffectEntry &e = script.effects[script.effectCount++];
    e.number = number;
    e.enabled = enabled;
    std::memcpy(e.params, info->defaults, sizeof(e.params));
    return true;
}

bool ReadFileText(const char *path, std::string &text) {
    if (path == nullptr || path[0] == '\0') return false;
    FILE *f = std::fopen(path, "rb");
    if (f == nullptr) return false;
    char chunk[4096];
    size_t got;
    bool ok = true;
    while ((got = std::fread(chunk, 1, sizeof(chunk), f)) > 0) {
        text.append(chunk, got);
        if (text.size() > static_cast<size_t>(kMaxScriptBytes)) {
            ok = false;
            break;
        }
    }
    if (std::ferror(f)) ok = false;
    std::fclose(f);
    return ok;
}

// Reads a decimal integer token; the whole token must be a number in range.
bool ParseInt(const std::string &token, long lo, long hi, int32_t &out) {
    if (token.empty()) return false;
    errno = 0;
    char *end = nullptr;
    const long v = std::strtol(token.c_str(), &end, 10);
    if (errno != 0 || end == nullptr || *end != '\0' || v < lo || v > hi) return false;
    out = static_cast<int32_t>(v);
    return true;
}

void SplitTokens(const std::string &line, std::string tokens[], int maxTokens, int &count) {
    count = 0;
    size_t i = 0;
    while (i < line.size() && count < maxTokens) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
        if (i >= line.size()) break;
        size_t j = i;
        while (j < line.size() && line[j] != ' ' && line[j] != '\t' && line[j] != '\r') ++j;
        tokens[count++] = line.substr(i, j - i);
        i = j;
    }
}

// Parses a script text. Returns false (leaving `script` unspecified) on any
// error: a missing "isl 1" line, a missing or repeated size, an unknown
// effect, a parameter outside an effect, a bad number.
bool ISLParseScript(const std::string &text, ISLScript &script) {
    script.width = script.height = 0;
    script.effectCount = 0;
    bool sawTag = false, sawSize = false;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t eol = text.find('\n', pos);
        if (eol == std::string::npos) eol = text.size();
        std::string line = text.substr(pos, eol - pos);
        pos = eol + 1;
        const size_t hash = line.find('#');
        if (hash != std::string::npos) line.resize(hash);
        std::string tok[4];
        int n = 0;
        SplitTokens(line, tok, 4, n);
        if (n == 0) continue;
        if (!sawTag) {
            int32_t version = 0;
            if (n != 2 || tok[0] != "isl" || !ParseInt(tok[1], 1, 1, version)) return false;
            sawTag = true;
            continue;
        }
        if (tok[0] == "size") {
            if (sawSize || n != 3) return false;
            int32_t w = 0, h = 0;
            if (!ParseInt(tok[1], 1, kISLMaxImageSize, w) || !ParseInt(tok[2], 1, kISLMaxImageSize, h)) return false;
            script.width = w;
            script.height = h;
            sawSize = true;
        } else if (tok[0] == "effect") {
            int32_t number = 0;  // anything after the number names the effect for the reader
            if (n < 2 || !ParseInt(tok[1], 0, 1000000, number) || !AppendEffect(script, number, 1)) return false;
        } else {
            // "<parameter> = <value>" of the effect above.
            int32_t param = 0, value = 0;
            if (script.effectCount == 0 || n != 3 || tok[1] != "=" || !ParseInt(tok[0], 0, kISLParamCount - 1, param) ||
                !ParseInt(tok[2], -2147483647L - 1, 2147483647L, value))
                return false;
            script.effects[script.effectCount - 1].params[param] = value;
        }
        if (eol == text.size()) break;
    }
    return sawTag && sawSize;
}

bool LoadScript(const char *path, ISLScript &script) {
    std::string text;
    return ReadFileText(path, text) && ISLParseScript(text, script);
}

int RunEffects(const ISLScript &script, uint8_t *pixels, int width, int height) {
    ISLImage image{pixels, width, height};
    for (int i = 0; i < script.effectCount; ++i) {
        const ISLEffectEntry &e = script.effects[i];
        if (!e.enabled) continue;
        ISLFindEffect(e.number)->run(image, e.params);
    }
    return 1;
}

}  // namespace

int ISL_Initialize() {
    g_isl = ISLState{};
    g_isl.initialized = true;
    return 1;
}

int ISL_Finish() {
    const bool was = g_isl.initialized;
    g_isl = ISLState{};
    return was ? 1 : 0;
}

int ISL_LoadScriptFromFile(const char *path) {
    if (!g_isl.initialized) return 0;
    g_isl.scriptLoaded = false;
    g_isl.buffersReady = false;
    if (!LoadScript(path, g_isl.script)) {
        g_isl.script.effectCount = 0;
        return 0;
    }
    g_isl.scriptLoaded = true;
    return 1;
}

int ISL_InitBuffers() {
    if (!g_isl.initialized || !g_isl.scriptLoaded) return 0;
    g_isl.buffersReady = true;
    return 1;
}

int ISL_ReadScriptHeaderFromFile(const char *path, void *header) {
    if (!g_isl.initialized || header == nullptr) return 0;
    ISLScript script;
    if (!LoadScript(path, script)) return 0;
    ISLScriptHeader h{};
    std::memcpy(h.tag, "ISLSCRPT", 8);
    h.version = 1;
    h.effectCount = script.effectCount;
    h.width = script.width;
    h.height = script.height;
    std::memcpy(header, &h, sizeof(h));
    return 1;
}

int ISL_ExecuteScript(void *image) {
    if (!g_isl.initialized || !g_isl.scriptLoaded || image == nullptr) return 0;
    const ISLScript &s = g_isl.script;
    uint8_t *pixels = static_cast<uint8_t *>(image);
    std::memset(pixels, 0, static_cast<size_t>(s.width) * static_cast<size_t>(s.height) * 4);
    return RunEffects(s, pixels, s.width, s.height);
}

int ISL_AddEffect(int number, int enabled) {
    if (!g_isl.initialized) return 0;
    if (g_isl.scriptLoaded) {
        // A list built by hand starts afresh after a loaded script.
        g_isl.scriptLoaded = false;
        g_isl.buffersReady = false;
        g_isl.script.effectCount = 0;
    }
    return AppendEffect(g_isl.script, number, enabled != 0 ? 1 : 0) ? 1 : 0;
}

int ISL_SetEffectValue(int effectIndex, int param, int value) {
    if (!g_isl.initialized || effectIndex < 0 || effectIndex >= g_isl.script.effectCount || param < 0 ||
        param >= kISLParamCount)
        return 0;
    g_isl.script.effects[effectIndex].params[param] = value;
    return 1;
}

int ISL_ExecuteScriptOnImage(void *image, int width, int height) {
    if (!g_isl.initialized || image == nullptr || width <= 0 || height <= 0 || g_isl.script.effectCount == 0) return 0;
    return RunEffects(g_isl.script, static_cast<uint8_t *>(image), width, height);
}
