#include "authoring/project/projectfile.h"

#include "common/text.h"
#include "platform/base/ansi.h"

#include <cctype>
#include <climits>
#include <cstdint>
#include <functional>

namespace zrv::authoring {

namespace {

constexpr std::string_view kCrLf = "\r\n";

std::string joined(const int* values, std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i) {
        if (i)
            out += ',';
        out += std::to_string(values[i]);
    }
    return out;
}

std::string encodeBreaks(std::string text) {
    ReplaceAll(text, "\r\n", "~~");
    return text;
}

std::string decodeBreaks(std::string text) {
    ReplaceAll(text, "~~", "\r\n");
    return text;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string_view trimmedRight(std::string_view s) {
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// The scanner of the numeric lists: a "%d" skips blanks, takes a sign and
// digits; a list stops at the first field that does not match, keeping what
// it read. A number too large for its type is an error.
class Scanner {
public:
    explicit Scanner(std::string_view text) : m_text(text) {}
    enum class Got { Value, Stop, TooLarge };
    Got number(long long lo, long long hi, long long& out) {
        std::size_t i = m_pos;
        while (i < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[i])))
            ++i;
        bool negative = false;
        if (i < m_text.size() && (m_text[i] == '-' || m_text[i] == '+'))
            negative = m_text[i++] == '-';
        if (i >= m_text.size() || !std::isdigit(static_cast<unsigned char>(m_text[i])))
            return Got::Stop;
        long long v = 0;
        bool large = false;
        for (; i < m_text.size() && std::isdigit(static_cast<unsigned char>(m_text[i])); ++i) {
            if (v > (LLONG_MAX - 9) / 10)
                large = true;
            else
                v = v * 10 + (m_text[i] - '0');
        }
        m_pos = i;
        if (negative)
            v = -v;
        if (large || v < lo || v > hi)
            return Got::TooLarge;
        out = v;
        return Got::Value;
    }
    bool literal(char c) {
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }
    // "%s": blanks skipped, then everything up to the next blank.
    bool word(std::string& out) {
        std::size_t i = m_pos;
        while (i < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[i])))
            ++i;
        std::size_t start = i;
        while (i < m_text.size() && !std::isspace(static_cast<unsigned char>(m_text[i])))
            ++i;
        if (i == start)
            return false;
        out = std::string(m_text.substr(start, i - start));
        m_pos = i;
        return true;
    }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
};

// One integer as atoi reads it (0 when there is no number), refused when it
// does not fit between lo and hi.
std::optional<long long> leadingNumber(std::string_view text, long long lo, long long hi) {
    Scanner s(text);
    long long v = 0;
    switch (s.number(lo, hi, v)) {
    case Scanner::Got::Value: return v;
    case Scanner::Got::Stop: return lo <= 0 && hi >= 0 ? std::optional<long long>(0) : std::nullopt;
    case Scanner::Got::TooLarge: return std::nullopt;
    }
    return std::nullopt;
}

// What a key is: a setting the command line may change (Scalar, Numbered),
// a list entry or the stored folder (Listed), or a field of the file entry in hand.
enum class Line { Scalar, Numbered, Listed, FileField };

class LineReader {
public:
    LineReader(ProjectData& p, int version) : m_p(p), m_version(version) {}

    enum class Outcome { Done, Unknown, Refused, NoFile };
    struct Result {
        Outcome outcome = Outcome::Done;
        Refusal refusal;
    };

    // A line trimmed of blanks; `forSetting` accepts only the scalar keys.
    Result line(std::string_view text, bool forSetting) {
        const auto eq = text.find('=');
        if (eq == std::string_view::npos)
            return {Outcome::Unknown, {}};
        const std::string value(text.substr(eq + 1));
        for (const Handler& h : handlers()) {
            if (!text.starts_with(h.key))
                continue;
            m_key = std::string(text.substr(0, eq));
            if (forSetting && !settable(h))
                return {Outcome::Unknown, {}};
            if (h.kind == Line::FileField && !m_file)
                return {Outcome::NoFile, {}};
            m_number = h.key.back() == '=' ? 0 : numberAfter(text.substr(h.key.size()));
            if (auto r = h.apply(*this, value))
                return {Outcome::Refused, *r};
            return {};
        }
        return {Outcome::Unknown, {}};
    }

    void finish() {
        if (!m_file)
            return;
        // An entry without a FLAGS line gets its extension too, so a second
        // reading of what the first save wrote changes nothing.
        if (m_file->extension.empty())
            m_file->extension = derivedExtension(m_file->source);
        m_p.files.push_back(std::move(*m_file));
        m_file.reset();
    }
    // Appending the entry in hand would pass the limit.
    bool fileListFull() const { return m_p.files.size() >= static_cast<std::size_t>(kMaxFiles); }

private:
    using Apply = std::function<Check(LineReader&, const std::string&)>;
    struct Handler {
        std::string_view key;
        Line kind;
        Apply apply;
    };

    // For the command line: a scalar key exactly, or a numbered one (not ZRVUNI2).
    bool settable(const Handler& h) const {
        if (h.kind == Line::Scalar)
            return m_key.size() + 1 == h.key.size() && h.key.starts_with(m_key);
        if (h.kind != Line::Numbered || m_key.size() <= h.key.size() || m_key == "ZRVUNI2")
            return false;
        for (char c : m_key.substr(h.key.size()))
            if (!std::isdigit(static_cast<unsigned char>(c)))
                return false;
        return true;
    }


    static long long numberAfter(std::string_view digits) {
        long long v = 0;
        std::size_t i = 0;
        for (; i < digits.size() && std::isdigit(static_cast<unsigned char>(digits[i])) && v < 1000000; ++i)
            v = v * 10 + (digits[i] - '0');
        return v;
    }

    Refusal refuse(std::string message) const { return Refusal{0, std::move(message), m_key}; }
    Refusal tooLarge() const { return refuse("Error: The number does not fit its field"); }

    Check text(std::string& field, const std::string& value, int width, bool multiLine = false) {
        if (auto r = checkText(m_key, value, width, multiLine))
            return r;
        field = value;
        return std::nullopt;
    }
    Check integer(int& field, const std::string& value) {
        auto v = leadingNumber(value, INT_MIN, INT_MAX);
        if (!v)
            return tooLarge();
        field = static_cast<int>(*v);
        return std::nullopt;
    }
    Check kilobytes(std::uint32_t& field, const std::string& value) {
        auto v = leadingNumber(value, 0, UINT32_MAX / 1024);
        if (!v)
            return tooLarge();
        field = static_cast<std::uint32_t>(*v) * 1024;
        return std::nullopt;
    }
    // Fields a list lacks keep their values.
    template <std::size_t N> Check integers(std::array<int, N>& fields, const std::string& value) {
        Scanner s(value);
        for (std::size_t i = 0; i < N; ++i) {
            if (i && !s.literal(','))
                break;
            long long v = 0;
            auto got = s.number(INT_MIN, INT_MAX, v);
            if (got == Scanner::Got::TooLarge)
                return tooLarge();
            if (got == Scanner::Got::Stop)
                break;
            fields[i] = static_cast<int>(v);
        }
        return std::nullopt;
    }
    Check numbered(long long lo, long long hi) const {
        if (m_number < lo || m_number > hi)
            return refuse("Error: The key's number is not one of " + std::to_string(lo) + " to " +
                          std::to_string(hi));
        return std::nullopt;
    }
    Check dialogText(DialogText t, const std::string& value) {
        const auto& info = kDialogTexts[static_cast<int>(t)];
        return text(m_p.text(t), value, info.maxLength);
    }

    Check flags(const std::string& value) {
        FileEntry& e = *m_file;
        e.options = 1;
        int* const ints[] = {&e.unprotect, &e.protect, &e.makeIcon, &e.checkInUse, &e.overwrite,
                             &e.usage,     &e.compress, &e.optional, &e.included,   &e.shared};
        const int intCount = m_version <= 311 ? 9 : 10;
        const bool hasMask = m_version >= 313;
        const bool hasAction = m_version >= 315;
        Scanner s(value);
        bool going = true;
        auto field = [&](bool first, long long lo, long long hi, auto store) -> Check {
            if (!going)
                return std::nullopt;
            if (!first && !s.literal(',')) {
                going = false;
                return std::nullopt;
            }
            long long v = 0;
            auto got = s.number(lo, hi, v);
            if (got == Scanner::Got::TooLarge)
                return tooLarge();
            if (got == Scanner::Got::Stop)
                going = false;
            else
                store(v);
            return std::nullopt;
        };
        for (int i = 0; i < intCount; ++i)
            if (auto r = field(i == 0, INT_MIN, INT_MAX, [&](long long v) { *ints[i] = static_cast<int>(v); }))
                return r;
        if (hasMask)
            if (auto r = field(false, 0, UINT32_MAX, [&](long long v) { e.options = static_cast<std::uint32_t>(v); }))
                return r;
        if (hasAction)
            if (auto r = field(false, INT_MIN, INT_MAX, [&](long long v) { e.action = static_cast<int>(v); }))
                return r;
        if (going && s.literal(',')) {
            std::string ext;
            if (s.word(ext)) {
                if (auto r = checkText(m_key, ext, Width::Extension))
                    return r;
                e.extension = ext;
            }
        }
        if (e.extension.empty())
            e.extension = derivedExtension(e.source);
        if (e.checkInUse || e.overwrite)
            e.usage = 1;
        if (e.action < 0 || e.action > 7)
            return refuse("Error: The file action " + std::to_string(e.action) + " is not one of 0 to 7");
        if (e.overwrite < 0 || e.overwrite > 4)
            return refuse("Error: The overwrite confirmation " + std::to_string(e.overwrite) +
                          " is not one of 0 to 4");
        return std::nullopt;
    }

    static const std::vector<Handler>& handlers();

    ProjectData& m_p;
    int m_version;
    std::optional<FileEntry> m_file;
    bool m_firstDirectory = true;
    bool m_firstObject = true;
    std::string m_key;
    long long m_number = 0;
};

const std::vector<LineReader::Handler>& LineReader::handlers() {
    using R = LineReader;
    using V = const std::string&;
    auto dialog = [](std::string_view key, DialogText t) {
        return Handler{key, Line::Scalar, [t](R& r, V v) { return r.dialogText(t, v); }};
    };
    auto fileText = [](std::string_view key, std::string FileEntry::*field, int width) {
        return Handler{key, Line::FileField, [field, width](R& r, V v) { return r.text((*r.m_file).*field, v, width); }};
    };
    static const std::vector<Handler> table = {
        {"PROJDIR=", Line::Listed, [](R& r, V v) { return r.text(r.m_p.storedDirectory, v, Width::Path); }},
        {"APPNAME=", Line::Scalar, [](R& r, V v) { return r.text(r.m_p.appName, v, Width::AppName); }},
        {"DEFPATH=", Line::Scalar, [](R& r, V v) { return r.text(r.m_p.defaultPath, v, Width::Path); }},
        {"DIRECTORY", Line::Listed,
         [](R& r, V v) -> Check {
             if (auto c = checkText(r.m_key, v, Width::Path))
                 return c;
             // The first line replaces the default entry rather than adding a second one.
             if (r.m_firstDirectory)
                 r.m_p.directories.clear();
             r.m_firstDirectory = false;
             if (r.m_p.directories.size() >= static_cast<std::size_t>(kMaxDirectories))
                 return r.refuse("Error: More than 16 directories");
             r.m_p.directories.push_back(v);
             return std::nullopt;
         }},
        {"PROJATTRIBS=", Line::Scalar,
         [](R& r, V v) -> Check {
             std::array<int, 5> a = {r.m_p.welcome, r.m_p.deinstall, r.m_p.askPath, 0, r.m_p.exclusiveOptions};
             if (auto c = r.integers(a, v))
                 return c;
             r.m_p.welcome = a[0], r.m_p.deinstall = a[1], r.m_p.askPath = a[2], r.m_p.exclusiveOptions = a[4];
             return std::nullopt;
         }},
        {"LICENSEINI=", Line::Scalar, [](R& r, V v) { return r.text(r.m_p.iniFile, v, Width::Path); }},
        {"DISKLABEL=", Line::Scalar, [](R& r, V v) { return r.text(r.m_p.diskLabel, v, Width::DiskLabel); }},
        {"COMMENTS=", Line::Scalar,
         [](R& r, V v) { return r.text(r.m_p.comments, decodeBreaks(v), Width::Comments, true); }},
        {"SETUPFILE=", Line::Scalar,
         [](R& r, V v) { return r.text(r.m_p.scriptName, r.m_version < 313 ? "SETUP.SCR" : v, Width::ScriptName); }},
        {"ENCRIPT=", Line::Scalar, [](R& r, V v) { return r.integer(r.m_p.encrypt, v); }},
        {"RESERVE=", Line::Scalar, [](R& r, V v) { return r.integer(r.m_p.reserveKb, v); }},
        {"SPLITSIZE=", Line::Scalar, [](R& r, V v) { return r.kilobytes(r.m_p.splitSize, v); }},
        {"SPACEREQD=", Line::Scalar,
         [](R& r, V v) -> Check {
             if (r.m_version > 312)
                 return r.kilobytes(r.m_p.extraSpace, v);
             r.m_p.extraSpace = 0;
             return std::nullopt;
         }},
        {"OPTIONALFILES=", Line::Scalar, [](R& r, V v) { return r.integers(r.m_p.runtime, v); }},
        {"COMPANY=", Line::Scalar, [](R& r, V v) { return r.text(r.m_p.company, v, Width::Company); }},
        {"OPTINSTALL", Line::Listed,
         [](R& r, V v) -> Check {
             if (auto c = r.numbered(1, kMaxOptions))
                 return c;
             if (auto c = checkText(r.m_key, v, Width::Path))
                 return c;
             r.m_p.options.resize(static_cast<std::size_t>(r.m_number));
             r.m_p.options.back() = v;
             return std::nullopt;
         }},
        {"PMGROUP=", Line::Scalar, [](R& r, V v) { return r.integers(r.m_p.group, v); }},
        {"GRPCAPFILE=", Line::Scalar, [](R& r, V v) { return r.text(r.m_p.groupCaption, v, Width::Path); }},
        {"LANGUAGE=", Line::Scalar,
         [](R& r, V v) -> Check {
             auto n = leadingNumber(v, INT_MIN, INT_MAX);
             if (!n || *n < 0 || *n >= kLanguages)
                 return r.refuse("Error: The language " + v + " is not one of 0 to 6");
             r.m_p.language = static_cast<int>(*n);
             return std::nullopt;
         }},
        dialog("SETUPMSG=", DialogText::SetupMsg),
        dialog("CAPTION=", DialogText::Caption),
        dialog("NEXTDISK=", DialogText::NextDisk),
        dialog("WELCOME1=", DialogText::Welcome1),
        dialog("WELCOME2=", DialogText::Welcome2),
        dialog("ABOUT=", DialogText::About),
        {"ZRVUNI", Line::Numbered,
         [](R& r, V v) -> Check {
             if (auto c = r.numbered(1, 9))
                 return c;
             const auto t = static_cast<DialogText>(static_cast<int>(DialogText::ZrvUni1) + r.m_number - 1);
             if (auto c = r.dialogText(t, v))
                 return c;
             // Older files kept the one optional installation here.
             if (r.m_version < 313 && t == DialogText::ZrvUni2)
                 r.m_p.options = {v};
             r.m_p.text(DialogText::ZrvUni2).clear();
             return std::nullopt;
         }},
        dialog("ASKPATH1=", DialogText::AskPath1),
        {"SPACECHECK1=", Line::Scalar,
         [](R& r, V v) {
             std::string t = v;
             if (r.m_version < 313)
                 ReplaceAll(t, "$", "%Required%");
             return r.dialogText(DialogText::SpaceCheck1, t);
         }},
        dialog("INUSE1=", DialogText::InUse1),
        dialog("MAKEGRP=", DialogText::MakeGrp),
        dialog("ERROR1=", DialogText::Error1),
        dialog("ERROR2=", DialogText::Error2),
        dialog("QUIT1=", DialogText::Quit1),
        dialog("QUIT2=", DialogText::Quit2),
        dialog("SUCCESS1=", DialogText::Success1),
        dialog("SUCCESS2=", DialogText::Success2),
        dialog("DIRERROR1=", DialogText::DirError1),
        dialog("DIRERROR2=", DialogText::DirError2),
        dialog("WINEXECFAIL=", DialogText::WinExecFail),
        dialog("DLLSELFREGFAIL=", DialogText::DllSelfRegFail),
        dialog("WINEXECREGFAIL=", DialogText::WinExecRegFail),
        dialog("WAITREGOLE=", DialogText::WaitRegOle),
        dialog("WAITMERGEREG=", DialogText::WaitMergeReg),
        dialog("WAITSELFEXTRACT=", DialogText::WaitSelfExtract),
        {"BACKDROPRES", Line::Numbered,
         [](R& r, V v) -> Check {
             if (auto c = r.numbered(1, kBackdropChoices))
                 return c;
             return r.text(r.m_p.backdrops[r.m_number - 1], v, Width::Backdrop);
         }},
        {"BACKDROP", Line::Listed,
         [](R& r, V v) -> Check {
             auto comma = v.find(',');
             if (comma == std::string::npos)
                 return std::nullopt;
             std::string path = upperAnsi(trimmed(std::string_view(v).substr(comma + 1)));
             if (path.empty())
                 return std::nullopt;
             if (auto c = checkText(r.m_key, path, Width::Path))
                 return c;
             for (const auto& b : r.m_p.bitmaps)
                 if (b.path == path)
                     return std::nullopt;
             r.m_p.bitmaps.push_back({0, path});
             return std::nullopt;
         }},
        {"BITMAP", Line::Listed,
         [](R& r, V v) -> Check {
             if (auto c = checkText(r.m_key, v, Width::Path))
                 return c;
             r.m_p.bitmaps.push_back({0, v});
             return std::nullopt;
         }},
        {"OBJECT", Line::Listed,
         [](R& r, V v) -> Check {
             if (auto c = checkText(r.m_key, v, Width::Path))
                 return c;
             if (r.m_firstObject)
                 r.m_p.objects.clear();
             r.m_firstObject = false;
             if (r.m_p.objects.size() >= static_cast<std::size_t>(kMaxObjects))
                 return r.refuse("Error: More than 64 objects");
             r.m_p.objects.push_back(v);
             return std::nullopt;
         }},
        {"USERCODE", Line::Numbered,
         [](R& r, V v) -> Check {
             long long slot = r.m_number - 1;
             if (slot >= 5 && r.m_version < 316)
                 ++slot;
             if (slot >= 3 && r.m_version < 318)
                 ++slot;
             if (slot >= 1 && r.m_version < 319)
                 ++slot;
             if (slot < 0 || slot >= kUserCodeSlots)
                 return r.refuse("Error: There is no user code slot " + std::to_string(slot + 1));
             return r.text(r.m_p.userCode[slot], decodeBreaks(v), kMaxUserCode, true);
         }},
        {"FILE", Line::Listed,
         [](R& r, V v) -> Check {
             if (auto c = checkText(r.m_key, v, Width::Path))
                 return c;
             r.finish();
             if (r.fileListFull())
                 return refusal(10004, r.m_key);
             r.m_file = FileEntry{};
             r.m_file->source = v;
             r.m_file->options = 1;
             return std::nullopt;
         }},
        fileText("TARGET", &FileEntry::target, Width::Path),
        fileText("COMMENT", &FileEntry::comment, Width::CopyComment),
        fileText("CUECARD", &FileEntry::cueCard, Width::CueCard),
        fileText("ICONTEXT", &FileEntry::iconText, Width::IconText),
        fileText("PARAMS", &FileEntry::iconParams, Width::Params),
        fileText("ACTIONPARAMS", &FileEntry::actionParams, Width::ActionParams),
        fileText("DEFPATH", &FileEntry::workDir, Width::Path),
        fileText("OVERTEXT", &FileEntry::overText, Width::OverText),
        {"ICONINFO", Line::FileField,
         [](R& r, V v) -> Check {
             auto comma = v.find(',');
             auto index = leadingNumber(std::string_view(v).substr(0, comma), INT_MIN, INT_MAX);
             if (!index)
                 return r.tooLarge();
             std::string file = comma == std::string::npos ? std::string() : v.substr(comma + 1);
             if (auto c = checkText(r.m_key, file, Width::Path))
                 return c;
             r.m_file->iconIndex = static_cast<int>(*index);
             r.m_file->iconFile = file;
             return std::nullopt;
         }},
        {"FLAGS", Line::FileField, [](R& r, V v) { return r.flags(v); }},
    };
    return table;
}

LineProblem at(int line, Refusal r) {
    LineProblem p;
    static_cast<Refusal&>(p) = std::move(r);
    p.line = line;
    return p;
}

} // namespace

std::string writeProjectFile(const ProjectData& p) {
    std::string out;
    out.reserve(8192 + p.files.size() * 400);
    auto line = [&](std::string_view a, std::string_view b = {}) {
        out += a;
        out += b;
        out += kCrLf;
    };
    auto numbered = [&](std::string_view key, std::size_t n, std::string_view value) {
        out += key;
        out += std::to_string(n);
        out += '=';
        out += value;
        out += kCrLf;
    };
    line("# Setup Zorvane generated ProJect file - Do not modify");
    line("");
    line("FILETYPE=ZORVANE_PROJECT");
    line("FILEVER=", std::to_string(kProjectVersion));
    line("PROJDIR=", p.storedDirectory);
    line("APPNAME=", p.appName);
    line("DEFPATH=", p.defaultPath);
    for (std::size_t i = 0; i < p.directories.size(); ++i)
        numbered("DIRECTORY", i + 1, p.directories[i]);
    const int attribs[] = {p.welcome, p.deinstall, p.askPath, 0, p.exclusiveOptions};
    line("PROJATTRIBS=", joined(attribs, 5));
    line("LICENSEINI=", p.iniFile);
    line("DISKLABEL=", p.diskLabel);
    line("COMMENTS=", encodeBreaks(p.comments));
    line("SETUPFILE=", p.scriptName);
    line("ENCRIPT=", std::to_string(p.encrypt));
    line("RESERVE=", std::to_string(p.reserveKb));
    line("SPLITSIZE=", std::to_string(p.splitSize / 1024));
    line("SPACEREQD=", std::to_string(p.extraSpace / 1024));
    line("OPTIONALFILES=", joined(p.runtime.data(), p.runtime.size()));
    line("COMPANY=", p.company);
    for (std::size_t i = 0; i < p.options.size(); ++i)
        numbered("OPTINSTALL", i + 1, p.options[i]);
    line("PMGROUP=", joined(p.group.data(), p.group.size()));
    line("GRPCAPFILE=", p.groupCaption);
    line("LANGUAGE=", std::to_string(p.language));
    for (int i = 0; i < kDialogTextCount; ++i) {
        out += kDialogTexts[i].key;
        out += '=';
        out += p.texts[i];
        out += kCrLf;
    }
    for (int i = 0; i < kBackdropChoices; ++i)
        numbered("BACKDROPRES", i + 1, p.backdrops[i]);
    for (std::size_t i = 0; i < p.bitmaps.size(); ++i)
        numbered("BITMAP", i + 1, p.bitmaps[i].path);
    for (std::size_t i = 0; i < p.objects.size(); ++i)
        numbered("OBJECT", i + 1, p.objects[i]);
    for (int i = 0; i < kUserCodeSlots; ++i)
        numbered("USERCODE", i + 1, encodeBreaks(p.userCode[i]));
    for (std::size_t i = 0; i < p.files.size(); ++i) {
        const FileEntry& e = p.files[i];
        const std::size_t n = i + 1;
        numbered("FILE", n, e.source);
        numbered("TARGET", n, e.target);
        numbered("COMMENT", n, e.comment);
        numbered("CUECARD", n, e.cueCard);
        numbered("ICONTEXT", n, e.iconText);
        numbered("PARAMS", n, e.iconParams);
        numbered("ACTIONPARAMS", n, e.actionParams);
        numbered("ICONINFO", n, std::to_string(e.iconIndex) + "," + e.iconFile);
        numbered("DEFPATH", n, e.workDir);
        numbered("OVERTEXT", n, e.overText);
        const int flags[] = {e.unprotect, e.protect, e.makeIcon, e.checkInUse, e.overwrite,
                             e.usage,     e.compress, e.optional, e.included,   e.shared};
        numbered("FLAGS", n,
                 joined(flags, 10) + "," + std::to_string(e.options) + "," + std::to_string(e.action) + "," +
                     e.extension);
    }
    return out;
}

ReadOutcome readProjectFile(std::string_view bytes, const ProjectData& defaults) {
    ReadOutcome result;
    auto refuse = [&](int number, int line, std::string key = {}) {
        result.error = at(line, refusal(number, std::move(key)));
        return result;
    };
    if (bytes.find('\0') != std::string_view::npos)
        return refuse(10002, 0);
    // Lines end at LF; a CR before it is dropped.
    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start < bytes.size();) {
        auto end = bytes.find('\n', start);
        std::string_view l = bytes.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!l.empty() && l.back() == '\r' && end != std::string_view::npos)
            l.remove_suffix(1);
        lines.push_back(l);
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    if (lines.size() < 3 || !trimmedRight(lines[2]).starts_with("FILETYPE=ZORVANE_PROJECT"))
        return refuse(10002, lines.size() < 3 ? 0 : 3);
    if (lines.size() < 4 || !trimmedRight(lines[3]).starts_with("FILEVER="))
        return refuse(10003, 4);
    auto version = leadingNumber(trimmedRight(lines[3]).substr(8), INT_MIN, INT_MAX);
    if (!version || *version < kOldestProjectVersion || *version > kProjectVersion)
        return refuse(10003, 4, "FILEVER");
    result.version = static_cast<int>(*version);

    ProjectData p = defaults;
    LineReader reader(p, result.version);
    for (std::size_t i = 4; i < lines.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        std::string_view text = trimmed(lines[i]);
        if (text.empty())
            continue;
        auto r = reader.line(text, false);
        switch (r.outcome) {
        case LineReader::Outcome::Done: break;
        case LineReader::Outcome::Refused: result.error = at(number, std::move(r.refusal)); return result;
        case LineReader::Outcome::Unknown:
            result.warnings.push_back(at(number, Refusal{0, "Warning: Unknown line ignored", std::string(text.substr(0, text.find('=')))}));
            break;
        case LineReader::Outcome::NoFile:
            result.warnings.push_back(at(number, Refusal{0, "Warning: File entry line before any FILE line ignored",
                                                         std::string(text.substr(0, text.find('=')))}));
            break;
        }
    }
    reader.finish();
    result.data = std::move(p);
    return result;
}

SettingOutcome applySetting(ProjectData& p, std::string_view keyValue) {
    ProjectData changed = p;
    LineReader reader(changed, kProjectVersion);
    auto r = reader.line(trimmed(keyValue), true);
    switch (r.outcome) {
    case LineReader::Outcome::Done: p = std::move(changed); return {};
    case LineReader::Outcome::Refused: return {SettingStatus::Refused, std::move(r.refusal)};
    case LineReader::Outcome::Unknown:
    case LineReader::Outcome::NoFile: break;
    }
    return {SettingStatus::UnknownKey, {}};
}

} // namespace zrv::authoring
