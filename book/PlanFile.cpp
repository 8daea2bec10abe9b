#include "book/PlanFile.h"
#include "book/VariantBook.h"

#include "book/BookLayout.h"
#include "book/Isbn.h"
#include "puzzle/Levels.h"
#include "puzzle/PuzzleBank.h"

#include <toml++/toml.h>

#include <algorithm>
#include <charconv>
#include <functional>
#include <limits>
#include <sstream>
#include <vector>

namespace gq::book
{

namespace
{

/// One key of the plan with its value, where the file has them.
struct TEntry
{
    std::string Key;
    const toml::node* Value = nullptr;
    toml::source_position KeyAt{};
    toml::source_position ValueAt{};
};

/// The keys of a plan, in the order PlanText writes them.
constexpr std::string_view kPlanKeys[] = {
    "title",       "author", "publisher", "website", "edition", "isbn",
    "paper",       "per-page", "answers-per-page", "level", "variant", "pages", "candidates",
    "volume",      "seed",   "output",    "print-ready", "pdfx", "bold-givens",
    "large-print", "hints",  "worked",    "answer-notes", "section"};

/// The text keys of the title and copyright pages with their setting and limit.
struct TTextKey
{
    std::string_view Key;
    std::string TBookSettings::*Member;
    std::string_view What; ///< as CheckTitlePageText names it
    std::size_t Limit;
};
constexpr TTextKey kTextKeys[] = {
    {"title", &TBookSettings::Title, "the title", kMaxTitleLength},
    {"author", &TBookSettings::Author, "the author", kMaxAuthorLength},
    {"publisher", &TBookSettings::Publisher, "the publisher", kMaxPublisherLength},
    {"website", &TBookSettings::Website, "the website", kMaxWebsiteLength},
    {"edition", &TBookSettings::Edition, "the edition", kMaxEditionLength},
};

struct TFlagKey
{
    std::string_view Key;
    bool TBookSettings::*Member;
};
constexpr TFlagKey kFlagKeys[] = {
    {"candidates", &TBookSettings::Candidates}, {"print-ready", &TBookSettings::PrintReady},
    {"pdfx", &TBookSettings::PdfX},             {"bold-givens", &TBookSettings::BoldGivens},
    {"large-print", &TBookSettings::LargePrint},
    {"hints", &TBookSettings::Hints},           {"answer-notes", &TBookSettings::AnswerNotes},
};

std::string KeyList()
{
    std::string list;
    for (std::string_view key : kPlanKeys)
        list += (list.empty() ? "" : ", ") + std::string(key);
    return list;
}

/// What a value is, in the words of the messages.
std::string KindOf(const toml::node& node)
{
    switch (node.type()) {
    case toml::node_type::string:
        return "text";
    case toml::node_type::integer:
        return "a whole number";
    case toml::node_type::floating_point:
        return "a decimal number";
    case toml::node_type::boolean:
        return "true or false";
    case toml::node_type::array:
        return "an array";
    case toml::node_type::table:
        return "a table";
    default:
        return "a date or time";
    }
}

/// Reads one plan: checks each value as it comes and records how to apply it, so that a rule
/// between keys can be blamed on the key that breaks it.
class TPlanReader
{
  public:
    explicit TPlanReader(std::string path) : m_path(std::move(path)) {}

    TPlanFile Read(const toml::table& root)
    {
        std::vector<TEntry> entries = EntriesOf(root);
        for (const TEntry& entry : entries)
            m_steps.push_back({&entry, ReadEntry(entry)});
        TPlanFile plan;
        for (const auto& step : m_steps)
            step.Apply(plan);
        CheckTogether(plan);
        return plan;
    }

  private:
    struct TStep
    {
        const TEntry* Entry;
        std::function<void(TPlanFile&)> Apply;
    };

    [[noreturn]] void Fail(const std::string& key, toml::source_position at,
                           const std::string& reason) const
    {
        throw TPlanFileError(m_path, static_cast<int>(at.line), static_cast<int>(at.column), key,
                             reason);
    }

    /// Runs `check`, turning the book code's refusal into an error at `at` naming `key`.
    void Blame(const std::string& key, toml::source_position at,
               const std::function<void()>& check) const
    {
        try {
            check();
        } catch (const TPlanFileError&) {
            throw;
        } catch (const Error& e) {
            Fail(key, at, e.what());
        }
    }

    /// The keys of `table` in the order the file gives them.
    static std::vector<TEntry> EntriesOf(const toml::table& table)
    {
        std::vector<TEntry> entries;
        for (auto&& [key, value] : table)
            entries.push_back({std::string(key.str()), &value, key.source().begin,
                               value.source().begin});
        std::ranges::sort(entries, [](const TEntry& a, const TEntry& b) {
            return std::pair(a.KeyAt.line, a.KeyAt.column) <
                   std::pair(b.KeyAt.line, b.KeyAt.column);
        });
        return entries;
    }

    std::string Text(const std::string& key, const TEntry& entry) const
    {
        if (!entry.Value->is_string())
            Fail(key, entry.ValueAt, "must be text in quotes, not " + KindOf(*entry.Value));
        return entry.Value->as_string()->get();
    }

    bool Flag(const TEntry& entry) const
    {
        if (!entry.Value->is_boolean())
            Fail(entry.Key, entry.ValueAt, "must be true or false, not " + KindOf(*entry.Value));
        return entry.Value->as_boolean()->get();
    }

    /// A whole number that fits an int; `checked` is called with it to apply the book's rule.
    int Number(const std::string& key, const TEntry& entry) const
    {
        if (!entry.Value->is_integer())
            Fail(key, entry.ValueAt, "must be a whole number, not " + KindOf(*entry.Value));
        const std::int64_t value = entry.Value->as_integer()->get();
        if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
            Fail(key, entry.ValueAt, std::to_string(value) + " is far out of range");
        return static_cast<int>(value);
    }

    /// A whole number that `change` puts into otherwise default settings (print-ready ones when
    /// `printReady`), which CheckBookSettings must take.
    std::function<void(TPlanFile&)> CheckedNumber(const TEntry& entry, int TBookSettings::*member,
                                                  bool printReady = false) const
    {
        const int value = Number(entry.Key, entry);
        Blame(entry.Key, entry.ValueAt, [&] {
            TBookSettings alone;
            alone.PrintReady = printReady;
            alone.*member = value;
            CheckBookSettings(alone);
        });
        return [member, value](TPlanFile& plan) { plan.Settings.*member = value; };
    }

    std::uint64_t Seed(const TEntry& entry) const
    {
        const std::string reason = "the seed must be a whole number from 0 to " +
                                   std::to_string(std::numeric_limits<std::uint64_t>::max());
        if (entry.Value->is_integer()) {
            const std::int64_t value = entry.Value->as_integer()->get();
            if (value < 0)
                Fail(entry.Key, entry.ValueAt, reason);
            return static_cast<std::uint64_t>(value);
        }
        if (!entry.Value->is_string())
            Fail(entry.Key, entry.ValueAt, reason + ", not " + KindOf(*entry.Value));
        const std::string& text = entry.Value->as_string()->get();
        std::uint64_t value = 0;
        auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos ||
            error != std::errc() || end != text.data() + text.size())
            Fail(entry.Key, entry.ValueAt, reason);
        return value;
    }

    std::function<void(TPlanFile&)> ReadEntry(const TEntry& entry)
    {
        const std::string& key = entry.Key;
        for (const TTextKey& text : kTextKeys)
            if (key == text.Key) {
                std::string value = Text(key, entry);
                Blame(key, entry.ValueAt,
                      [&] { CheckTitlePageText(value, text.What, text.Limit); });
                return [member = text.Member, value](TPlanFile& plan) {
                    plan.Settings.*member = value;
                };
            }
        for (const TFlagKey& flag : kFlagKeys)
            if (key == flag.Key)
                return [member = flag.Member, value = Flag(entry)](TPlanFile& plan) {
                    plan.Settings.*member = value;
                };
        if (key == "isbn") {
            std::string value = Text(key, entry);
            Blame(key, entry.ValueAt, [&] {
                if (!IsBlankText(value))
                    IsbnDigits(value);
            });
            return [value](TPlanFile& plan) { plan.Settings.Isbn = value; };
        }
        if (key == "paper") {
            TBookSettings alone;
            alone.Paper = Text(key, entry);
            Blame(key, entry.ValueAt, [&] { CheckPrintSettings(alone); });
            return [value = alone.Paper](TPlanFile& plan) { plan.Settings.Paper = value; };
        }
        if (key == "level") {
            int level = 0;
            const std::string name = Text(key, entry);
            Blame(key, entry.ValueAt, [&] { level = LevelIndexNamed(name); });
            return [level](TPlanFile& plan) { plan.Settings.LevelIndex = level; };
        }
        if (key == "variant") {
            const std::string name = Text(key, entry);
            Blame(key, entry.ValueAt, [&] { BookVariant(name); });
            return [name](TPlanFile& plan) { plan.Settings.Variant = name; };
        }
        if (key == "pages")
            return CheckedNumber(entry, &TBookSettings::PageCount);
        if (key == "per-page")
            return CheckedNumber(entry, &TBookSettings::PuzzlesPerPage);
        if (key == "answers-per-page")
            return CheckedNumber(entry, &TBookSettings::AnswersPerPage, true);
        if (key == "worked")
            return CheckedNumber(entry, &TBookSettings::WorkedSolutions);
        if (key == "volume") {
            const int volume = Number(key, entry);
            if (volume < 1)
                Fail(key, entry.ValueAt,
                     "a volume is a whole number from 1 (leave the key out for none), not " +
                         std::to_string(volume));
            return [volume](TPlanFile& plan) { plan.Settings.Volume = volume; };
        }
        if (key == "seed")
            return [seed = Seed(entry)](TPlanFile& plan) { plan.Seed = seed; };
        if (key == "output") {
            const std::string output = Text(key, entry);
            if (output.empty())
                Fail(key, entry.ValueAt, "is empty: name the PDF file to write");
            Blame(key, entry.ValueAt, [&] { PdfPathFor(output); });
            return [output](TPlanFile& plan) { plan.Output = output; };
        }
        if (key == "section")
            return [sections = Sections(entry)](TPlanFile& plan) {
                plan.Settings.Sections = sections;
            };
        Fail(key, entry.KeyAt, "unknown key; the keys are " + KeyList());
    }

    std::vector<TSection> Sections(const TEntry& entry) const
    {
        const toml::array* tables = entry.Value->as_array();
        if (!tables || !tables->is_array_of_tables())
            Fail(entry.Key, entry.ValueAt,
                 "must be [[section]] tables with a level and puzzles, not " +
                     KindOf(*entry.Value));
        std::vector<TSection> sections;
        for (const toml::node& node : *tables) {
            const toml::source_position at = node.source().begin;
            if (sections.size() == static_cast<std::size_t>(kMaxSections))
                Blame("section", at, [&] {
                    std::vector<TSection> more = sections;
                    more.push_back({0, 1});
                    CheckSections(more);
                });
            std::optional<TEntry> level;
            std::optional<TEntry> puzzles;
            std::optional<TEntry> variant;
            for (const TEntry& field : EntriesOf(*node.as_table())) {
                if (field.Key == "level")
                    level = field;
                else if (field.Key == "puzzles")
                    puzzles = field;
                else if (field.Key == "variant")
                    variant = field;
                else
                    Fail("section." + field.Key, field.KeyAt,
                         "unknown key; a section has a level and puzzles, and may name a "
                         "variant");
            }
            for (const char* name : {"level", "puzzles"})
                if (!(name == std::string_view("level") ? level : puzzles))
                    Fail(std::string("section.") + name, at,
                         std::string("missing: a section has a level and puzzles"));
            TSection section;
            if (variant) {
                section.Variant = Text("section.variant", *variant);
                Blame("section.variant", variant->ValueAt, [&] { BookVariant(section.Variant); });
            }
            const std::string name = Text("section.level", *level);
            Blame("section.level", level->ValueAt, [&] {
                section.LevelIndex = LevelIndexNamed(name);
                CheckVariantLevel(section.Variant, section.LevelIndex);
                // One puzzle first, so that a level given twice is blamed on the level.
                std::vector<TSection> more = sections;
                more.push_back({section.LevelIndex, 1, section.Variant});
                CheckSections(more);
            });
            section.Count = Number("section.puzzles", *puzzles);
            Blame("section.puzzles", puzzles->ValueAt, [&] {
                std::vector<TSection> more = sections;
                more.push_back(section);
                CheckSections(more);
            });
            sections.push_back(section);
        }
        return sections;
    }

    /// The rules between keys: the settings as a whole must pass CheckBookSettings, the
    /// volume must exist for every level, and pages and level have no place beside sections.
    /// A broken rule is blamed on the first key, in file order, whose value breaks it.
    void CheckTogether(const TPlanFile& plan) const
    {
        const TBookSettings& settings = plan.Settings;
        if (!settings.Sections.empty())
            for (const auto& step : m_steps)
                if (step.Entry->Key == "pages" || step.Entry->Key == "level")
                    Fail(step.Entry->Key, step.Entry->KeyAt,
                         "cannot be combined with [[section]] tables: the sections set the "
                         "levels and the number of puzzles");
        std::string refusal;
        try {
            CheckBookSettings(settings);
        } catch (const Error& e) {
            refusal = e.what();
        }
        if (!refusal.empty()) {
            TPlanFile partial;
            for (const auto& step : m_steps) {
                step.Apply(partial);
                try {
                    CheckBookSettings(partial.Settings);
                } catch (const Error& e) {
                    if (refusal == e.what())
                        Fail(step.Entry->Key, step.Entry->ValueAt, refusal);
                }
            }
            throw InternalError("a plan's settings were refused, but by no key: " + refusal);
        }
        if (settings.Volume > 0)
            for (const auto& step : m_steps)
                if (step.Entry->Key == "volume")
                    Blame("volume", step.Entry->ValueAt, [&] { CheckVolume(settings); });
    }

    static void CheckVolume(const TBookSettings& settings)
    {
        const puzzle::TPuzzleBank& bank = puzzle::TPuzzleBank::BuiltIn();
        if (settings.Sections.empty())
            puzzle::TBookDraw(bank, settings.LevelIndex, settings.Volume);
        for (const TSection& section : settings.Sections)
            puzzle::TBookDraw(bank, section.LevelIndex, settings.Volume);
    }

    std::string m_path;
    std::vector<TStep> m_steps;
};

/// `text` as a TOML basic string, quoted and escaped.
std::string Quoted(const std::string& text)
{
    std::ostringstream out;
    const toml::value<std::string> value(text);
    out << toml::toml_formatter(value, toml::format_flags::allow_unicode_strings);
    return out.str();
}

} // namespace

TPlanFileError::TPlanFileError(std::string path, int line, int column, std::string key,
                               const std::string& reason)
    : Error(path + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " +
            (key.empty() ? "" : key + ": ") + reason),
      m_path(std::move(path)), m_line(line), m_column(column), m_key(std::move(key))
{
}

int LevelIndexNamed(std::string_view name)
{
    const int index = puzzle::LevelIndexOfName(name);
    if (index >= 0)
        return index;
    std::string names;
    const auto& levels = puzzle::Levels();
    for (std::size_t i = 0; i < levels.size(); ++i)
        names += std::string(i == 0 ? "" : i + 1 == levels.size() ? " and " : ", ") +
                 std::string(levels[i].Name);
    throw Error("there is no level \"" + std::string(name) + "\"; the levels are " + names);
}

TPlanFile ParsePlan(std::string_view text, const std::string& path)
{
    toml::table root;
    try {
        root = toml::parse(text, path);
    } catch (const toml::parse_error& e) {
        throw TPlanFileError(path, static_cast<int>(e.source().begin.line),
                             static_cast<int>(e.source().begin.column), "",
                             std::string(e.description()));
    }
    return TPlanReader(path).Read(root);
}

TPlanFile ReadPlanFile(const std::string& path) { return ParsePlan(ReadWholeFile(path), path); }

std::string PlanText(const TPlanFile& plan)
{
    const TBookSettings& s = plan.Settings;
    std::string text = "# A Gridquill book plan: gridquill-cli book --plan FILE\n";
    auto line = [&text](std::string_view key, const std::string& value) {
        text += std::string(key) + " = " + value + "\n";
    };
    auto flag = [](bool value) { return std::string(value ? "true" : "false"); };
    for (const TTextKey& key : kTextKeys)
        line(key.Key, Quoted(s.*key.Member));
    line("isbn", Quoted(s.Isbn));
    line("paper", Quoted(s.Paper));
    line("per-page", std::to_string(s.PuzzlesPerPage));
    line("answers-per-page", std::to_string(s.AnswersPerPage));
    if (s.Sections.empty()) {
        line("level", Quoted(std::string(puzzle::Levels().at(s.LevelIndex).Name)));
        // Written only for a puzzle type: plans of classic books stay as they were.
        if (!IsClassicName(s.Variant))
            line("variant", Quoted(s.Variant));
        line("pages", std::to_string(s.PageCount));
    }
    line("candidates", flag(s.Candidates));
    if (s.Volume > 0)
        line("volume", std::to_string(s.Volume));
    if (plan.Seed)
        line("seed", *plan.Seed <= static_cast<std::uint64_t>(
                                        std::numeric_limits<std::int64_t>::max())
                         ? std::to_string(*plan.Seed)
                         : Quoted(std::to_string(*plan.Seed)));
    if (plan.Output)
        line("output", Quoted(*plan.Output));
    for (const TFlagKey& key : kFlagKeys) {
        // The learning aids are written only when asked for: older plans stay as they were.
        const bool aid =
            key.Member == &TBookSettings::Hints || key.Member == &TBookSettings::AnswerNotes;
        if (key.Member != &TBookSettings::Candidates && (!aid || s.*key.Member))
            line(key.Key, flag(s.*key.Member));
    }
    if (s.WorkedSolutions > 0)
        line("worked", std::to_string(s.WorkedSolutions));
    for (const TSection& section : s.Sections) {
        text += "\n[[section]]\n";
        line("level", Quoted(std::string(puzzle::Levels().at(section.LevelIndex).Name)));
        if (!IsClassicName(section.Variant))
            line("variant", Quoted(section.Variant));
        line("puzzles", std::to_string(section.Count));
    }
    return text;
}

void WritePlanFile(const TPlanFile& plan, const std::string& path, TReplace replace)
{
    WriteNewFile(path, PlanText(plan), TFileAudience::Document, replace);
}

} // namespace gq::book
