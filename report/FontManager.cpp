#include "report/FontManager.h"

#include <fontconfig/fontconfig.h>

namespace gq::report
{

namespace
{

FcConfig* Config(void* config) { return static_cast<FcConfig*>(config); }

std::string FaceKey(const std::string& name, bool bold, bool italic)
{
    std::string key = name;
    key += bold ? "|B" : "|";
    key += italic ? "|I" : "|";
    return key;
}

} // namespace

int TFontHandler::TextWidth(const std::string& text, int pixelHeight) const
{
    const std::int64_t units = TextUnits(text);
    const int height = pixelHeight < 0 ? -pixelHeight : pixelHeight;
    // Widths are at a 600-pixel em: pixels = units x S x R / (600 x 72) with S x R = height x 72.
    return RoundHalfEven(static_cast<double>(units) * height / 600.0);
}

TTrueTypeFontHandler::TTrueTypeFontHandler(const TFontFace& face)
{
    for (int code = 0; code < 256; ++code)
        m_widths[code] = face.AdvancePixels(static_cast<std::uint8_t>(code), 600);
}

std::int64_t TTrueTypeFontHandler::TextUnits(const std::string& text) const
{
    std::int64_t sum = 0;
    for (unsigned char c : text)
        sum += m_widths[c];
    return sum;
}

TNonProportionalFontHandler::TNonProportionalFontHandler(const TFontFace& face)
    : m_width(face.AdvancePixels('A', 600))
{}

std::int64_t TNonProportionalFontHandler::TextUnits(const std::string& text) const
{
    return static_cast<std::int64_t>(text.size()) * m_width;
}

TFontManager::TFontManager() = default;

void TFontManager::KeepMatchRecord(std::string path)
{
    std::lock_guard lock(m_mutex);
    m_record = path.empty() ? nullptr : std::make_unique<TFontMatchCache>(std::move(path));
}

TFontManager::~TFontManager()
{
    if (m_config)
        FcConfigDestroy(Config(m_config));
}

void* TFontManager::ConfigLocked()
{
    if (m_config)
        return m_config;
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config)
        throw TFontError("", "Cannot start the font service: fontconfig found no configuration");
    m_config = config;
    return m_config;
}

std::vector<std::string> TFontManager::DependenciesLocked()
{
    FcConfig* config = Config(ConfigLocked());
    std::vector<std::string> paths;
    auto add = [&paths](FcStrList* list) {
        if (!list)
            return;
        while (const FcChar8* path = FcStrListNext(list))
            paths.emplace_back(reinterpret_cast<const char*>(path));
        FcStrListDone(list);
    };
    add(FcConfigGetConfigFiles(config));
    // A configuration file added to or taken from a folder changes the folder.
    const std::size_t files = paths.size();
    for (std::size_t i = 0; i < files; ++i)
        if (const std::size_t slash = paths[i].rfind('/'); slash != std::string::npos && slash > 0)
            paths.push_back(paths[i].substr(0, slash));
    add(FcConfigGetConfigDirs(config));
    add(FcConfigGetFontDirs(config));
    add(FcConfigGetCacheDirs(config));
    return paths;
}

TFontMatch TFontManager::Match(const std::string& name, bool bold, bool italic)
{
    std::lock_guard lock(m_mutex);
    return MatchLocked(name, bold, italic);
}

TFontMatch TFontManager::MatchLocked(const std::string& name, bool bold, bool italic)
{
    const std::string key = FaceKey(name, bold, italic);
    if (m_record)
        if (std::optional<TFontMatch> known = m_record->Find(key))
            return *known;
    FcConfig* config = Config(ConfigLocked());
    FcPattern* pattern = FcPatternCreate();
    if (!pattern)
        throw std::bad_alloc();
    if (!name.empty())
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* found = FcFontMatch(config, pattern, &result);
    FcPatternDestroy(pattern);
    if (!found)
        throw TFontError(name, "Font \"" + name + "\" was not found: no font is installed");

    TFontMatch match;
    FcChar8* file = nullptr;
    FcChar8* family = nullptr;
    int index = 0;
    FcBool embolden = FcFalse;
    if (FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch && file)
        match.FilePath = reinterpret_cast<const char*>(file);
    if (FcPatternGetString(found, FC_FAMILY, 0, &family) == FcResultMatch && family)
        match.Family = reinterpret_cast<const char*>(family);
    if (FcPatternGetInteger(found, FC_INDEX, 0, &index) == FcResultMatch)
        match.FaceIndex = index;
    if (FcPatternGetBool(found, FC_EMBOLDEN, 0, &embolden) == FcResultMatch)
        match.Embolden = embolden == FcTrue;
    FcPatternDestroy(found);
    if (match.FilePath.empty())
        throw TFontError(name, "Font \"" + name + "\" was not found: fontconfig gave no file");
    if (m_record)
        m_record->Store(key, match, DependenciesLocked());
    return match;
}

std::shared_ptr<const TFontFace> TFontManager::Face(const std::string& name, bool bold, bool italic)
{
    std::lock_guard lock(m_mutex);
    return FaceLocked(name, bold, italic);
}

std::shared_ptr<const TFontFace> TFontManager::FaceLocked(const std::string& name, bool bold,
                                                          bool italic)
{
    const std::string key = FaceKey(name, bold, italic);
    if (auto it = m_faces.find(key); it != m_faces.end())
        return it->second;
    const TFontMatch match = MatchLocked(name, bold, italic);
    auto face = TFontFace::Load(name, match.FilePath, match.FaceIndex);
    m_faces.emplace(key, face);
    return face;
}

TTextMetrics TFontManager::Metrics(const std::string& name, bool bold, bool italic, int pixelHeight)
{
    return Face(name, bold, italic)->MetricsAt(pixelHeight);
}

const TFontHandler& TFontManager::Handler(const std::string& name, std::uint8_t charSet, bool bold,
                                          bool italic, TFontPitch pitch)
{
    std::string key = name;
    key += '|';
    key += std::to_string(charSet);
    if (bold)
        key += "|B";
    if (italic)
        key += "|I";
    if (pitch == TFontPitch::fpVariable)
        key += "|V";
    else if (pitch == TFontPitch::fpFixed)
        key += "|F";

    std::lock_guard lock(m_mutex);
    if (auto it = m_handlers.find(key); it != m_handlers.end())
        return *it->second;
    auto face = FaceLocked(name, bold, italic);
    std::unique_ptr<const TFontHandler> handler;
    if (face->IsFixedPitch())
        handler = std::make_unique<TNonProportionalFontHandler>(*face);
    else
        handler = std::make_unique<TTrueTypeFontHandler>(*face);
    const TFontHandler& result = *handler;
    m_handlers.emplace(std::move(key), std::move(handler));
    return result;
}

int TFontManager::TextWidth(const std::string& text, const std::string& name, std::uint8_t charSet,
                            bool bold, bool italic, TFontPitch pitch, int pixelHeight)
{
    return Handler(name, charSet, bold, italic, pitch).TextWidth(text, pixelHeight);
}

std::size_t TFontManager::HandlerCount() const
{
    std::lock_guard lock(m_mutex);
    return m_handlers.size();
}

} // namespace gq::report
