#include "authoring/project/objectfile.h"

#include "common/paths.h"
#include "platform/base/ansi.h"
#include "platform/machine/machine.h"
#include "platform/profile/profile.h"


#include <cctype>
#include <climits>

namespace zrv::authoring {

namespace {

constexpr std::string_view kDef = "ObjectDef";
constexpr std::string_view kControls = "Controls";

// The profile-number reading: the decimal number at the start, the default
// when the key is missing or empty, 0 when it does not start with one.
long long leading(std::string_view s, bool& any) {
    std::size_t i = 0;
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i])))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+'))
        negative = s[i++] == '-';
    long long v = 0;
    any = false;
    for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i) {
        any = true;
        if (v < (1LL << 40))
            v = v * 10 + (s[i] - '0');
    }
    return negative ? -v : v;
}

int toInt(long long v) { return static_cast<int>(v < INT_MIN ? INT_MIN : v > INT_MAX ? INT_MAX : v); }

int number(const IniDocument& doc, std::string_view section, std::string_view key, int defaultValue) {
    auto v = doc.get(section, key);
    if (!v || v->empty())
        return defaultValue;
    bool any = false;
    return toInt(leading(*v, any));
}

std::string text(const IniDocument& doc, std::string_view section, std::string_view key, std::string_view def,
                 std::size_t width) {
    std::string v = doc.get(section, key).value_or(std::string(def));
    if (v.size() > width)
        v.resize(width);
    return v;
}

// "%d,%d,...": fields read in order until one does not match; the rest stay.
template <class T> void scanList(std::string_view s, std::initializer_list<T*> fields) {
    std::size_t pos = 0;
    bool first = true;
    for (T* f : fields) {
        if (!first) {
            if (pos >= s.size() || s[pos] != ',')
                return;
            ++pos;
        }
        first = false;
        bool any = false;
        std::size_t start = pos;
        while (pos < s.size() && std::isspace(static_cast<unsigned char>(s[pos])))
            ++pos;
        if (pos < s.size() && (s[pos] == '-' || s[pos] == '+'))
            ++pos;
        while (pos < s.size() && std::isdigit(static_cast<unsigned char>(s[pos])))
            ++pos;
        long long v = leading(s.substr(start, pos - start), any);
        if (!any)
            return;
        *f = static_cast<T>(toInt(v));
    }
}

std::string key(std::string_view word, int n) { return std::string(word) + std::to_string(n); }

std::string joinInts(std::initializer_list<long long> values) {
    std::string out;
    for (long long v : values) {
        if (!out.empty())
            out += ',';
        out += std::to_string(v);
    }
    return out;
}

std::string fileNameOf(std::string_view path) {
    auto slash = path.find_last_of("\\/:");
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

} // namespace

void writeHeader(IniDocument& doc, const ObjectHeader& h) {
    doc.set(kDef, "FileType", "ZORVANE_OBJECT");
    doc.set(kDef, "Version", std::to_string(kObjectVersion));
    doc.set(kDef, "Name", h.name);
    doc.set(kDef, "Type", std::to_string(h.type));
    doc.set(kDef, "Border", std::to_string(h.border));
    doc.set(kDef, "Caption", h.caption);
    doc.set(kDef, "Position", std::to_string(h.position));
    doc.set(kDef, "X", std::to_string(h.x));
    doc.set(kDef, "Y", std::to_string(h.y));
    doc.set(kDef, "Width", std::to_string(h.width));
    doc.set(kDef, "Height", std::to_string(h.height));
}

ObjectHeader readHeader(const IniDocument& doc) {
    ObjectHeader h;
    h.version = number(doc, kDef, "Version", -1);
    h.name = text(doc, kDef, "Name", "DEFAULTOBJECTNAME", 40);
    h.type = number(doc, kDef, "Type", 1);
    h.border = number(doc, kDef, "Border", 0);
    h.caption = text(doc, kDef, "Caption", "DEFAULTCAPTION", 128);
    h.position = number(doc, kDef, "Position", 0);
    h.x = number(doc, kDef, "X", 0);
    h.y = number(doc, kDef, "Y", 0);
    h.width = number(doc, kDef, "Width", 0);
    h.height = number(doc, kDef, "Height", 0);
    return h;
}

int readType(const IniDocument& doc) { return number(doc, kDef, "Type", -1); }

ControlRecord readControl(const IniDocument& doc, int n) {
    ControlRecord c;
    c.type = number(doc, kControls, key("Type", n), -1);
    c.caption = text(doc, kControls, key("Caption", n), "", 128);
    if (auto v = doc.get(kControls, key("Coords", n)))
        scanList<int>(*v, {&c.x, &c.y, &c.width, &c.height});
    if (auto v = doc.get(kControls, key("Attribs", n)))
        scanList<int>(*v, {&c.alignment, &c.fontSize, &c.shadowOffset, &c.border, &c.editLength, &c.textCase,
                           &c.tile, &c.bold, &c.sort});
    c.font = text(doc, kControls, key("Font", n), "Times New Roman", 20);
    if (auto v = doc.get(kControls, key("Colour", n)))
        scanList<std::int32_t>(*v, {&c.foreground, &c.shadowColour});
    c.variable = text(doc, kControls, key("Variable", n), "", 22);
    c.id = text(doc, kControls, key("Id", n), "", 22);
    c.icon = text(doc, kControls, key("Icon", n), "", 8);
    c.bitmap = text(doc, kControls, key("Bitmap", n), "", 255);
    if (auto v = doc.get(kControls, key("BitmapPos", n)))
        scanList<int>(*v, {&c.horizontal, &c.vertical});
    return c;
}

void writeControl(IniDocument& doc, int n, const ControlRecord& c) {
    doc.set(kControls, key("Type", n), std::to_string(c.type));
    doc.set(kControls, key("Caption", n), c.caption);
    doc.set(kControls, key("Coords", n), joinInts({c.x, c.y, c.width, c.height}));
    doc.set(kControls, key("Attribs", n),
            joinInts({c.alignment, c.fontSize, c.shadowOffset, c.border, c.editLength, c.textCase, c.tile, c.bold,
                      c.sort}));
    doc.set(kControls, key("Font", n), c.font);
    doc.set(kControls, key("Colour", n), joinInts({c.foreground, c.shadowColour}));
    doc.set(kControls, key("Variable", n), c.variable);
    doc.set(kControls, key("Id", n), c.id);
    doc.set(kControls, key("Icon", n), c.icon);
    doc.set(kControls, key("Bitmap", n), c.bitmap);
    doc.set(kControls, key("BitmapPos", n), joinInts({c.horizontal, c.vertical}));
}

std::vector<ControlRecord> readControls(const IniDocument& doc) {
    std::vector<ControlRecord> out;
    for (int n = 1;; ++n) {
        ControlRecord c = readControl(doc, n);
        if (c.type == -1)
            break;
        out.push_back(std::move(c));
    }
    return out;
}

Check addControl(std::vector<ControlRecord>& controls, ControlRecord c) {
    if (controls.size() >= static_cast<std::size_t>(kMaxControls))
        return refusal(10019);
    controls.push_back(std::move(c));
    return std::nullopt;
}

void saveControls(IniDocument& doc, const std::vector<ControlRecord>& controls) {
    doc.removeSection(kControls);
    for (std::size_t i = 0; i < controls.size(); ++i)
        writeControl(doc, static_cast<int>(i) + 1, controls[i]);
}

std::string renderControl(const ObjectHeader& h, const ControlRecord& c, bool forScript) {
    const auto type = static_cast<ControlType>(c.type);
    std::uint32_t style = 0;
    if (type == ControlType::Edit) {
        style |= 0x80;
        if (c.textCase == 1)
            style |= 0x08;
        if (c.textCase == 2)
            style |= 0x10;
        if (c.border)
            style |= 0x800000;
    }
    if (type == ControlType::Text) {
        if (c.border)
            style |= 0x800000;
        if (c.bold)
            style |= 0x80;
    }
    if (type == ControlType::Bitmap || h.type == static_cast<int>(ObjectKind::Backdrop))
        style += (static_cast<std::uint32_t>(c.horizontal) * 4 | static_cast<std::uint32_t>(c.vertical) |
                  (c.tile ? 0x10u : 0u))
                 << 16;
    if (type == ControlType::ListBox && c.sort)
        style |= 0x2;
    if ((type == ControlType::ComboBox || type == ControlType::DropList) && c.sort)
        style |= 0x100;

    std::string line = "CreateControl(\"";
    line += controlTypeInfo(type).word;
    line += "\",\"";
    if (type == ControlType::Bitmap)
        line += forScript ? "%WindowsDirectory%TEMP\\" + fileNameOf(c.bitmap) : c.bitmap;
    else if (type == ControlType::Icon)
        line += c.icon;
    else
        line += c.caption;
    line += "\",";
    // An empty ID would leave the interpreter a missing parameter.
    line += c.id.empty() ? "0" : c.id;
    line += "," + joinInts({c.x, c.y, c.width, c.height, static_cast<std::int32_t>(style)});
    switch (type) {
    case ControlType::Edit:
    case ControlType::ComboBox: line += "," + c.variable + "," + std::to_string(c.editLength); break;
    case ControlType::CheckBox:
    case ControlType::RadioButton:
    case ControlType::ListBox:
    case ControlType::DropList: line += "," + c.variable; break;
    case ControlType::Text:
        line += ",\"" + c.font + "\"," + joinInts({c.fontSize, c.shadowOffset, c.foreground, c.shadowColour});
        break;
    case ControlType::ColourBlock: line += "," + std::to_string(c.foreground); break;
    default: break;
    }
    line += ")";
    return line;
}

Result<std::vector<std::string>> renderObject(const IniDocument& doc, bool forScript) {
    const int type = readType(doc);
    if (type == -1)
        return Error::make(WinError::FileNotFound, "not an object file");
    if (type < 1 || type > 3)
        return Error::make(WinError::BadFormat, "object type " + std::to_string(type) + " is not one of 1 to 3");
    const ObjectHeader h = readHeader(doc);
    std::vector<std::string> lines;
    const auto kind = static_cast<ObjectKind>(type);
    if (kind == ObjectKind::Backdrop)
        lines.push_back("CreateBackdrop(\"" + h.name + "\")");
    else if (kind == ObjectKind::Dialog)
        lines.push_back("CreateDialog(\"" + h.name + "\",\"" + h.caption + "\"," +
                        joinInts({h.x, h.y, h.width, h.height}) + ")");
    else
        lines.push_back("CreateCueCard(\"" + h.name + "\"," + joinInts({h.x, h.y, h.width, h.height, h.border}) +
                        ")");
    const auto controls = readControls(doc);
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const int t = controls[i].type;
        if (t < 0 || t > static_cast<int>(ControlType::DropList))
            return Error::make(WinError::BadFormat,
                               "control " + std::to_string(i + 1) + " has type " + std::to_string(t) +
                                   ", not one of 0 to 11");
        lines.push_back(renderControl(h, controls[i], forScript));
    }
    if (kind != ObjectKind::Backdrop && h.position != 0)
        lines.push_back("CentreDialog(" + std::to_string(h.position == 1 || h.position == 3 ? 3 : 0) + "," +
                        std::to_string(h.position == 2 || h.position == 3 ? 3 : 0) + ")");
    lines.push_back("EndObject()");
    lines.push_back("");
    lines.push_back("");
    return lines;
}

IniDocument loadObject(Machine& machine, std::string_view path) {
    auto bytes = machine.readFile(profileFilePath(machine, path));
    return IniDocument::parse(bytes ? *bytes : std::string());
}

bool objectExists(Machine& machine, std::string_view path) {
    const std::string full = profileFilePath(machine, path);
    return machine.exists(full) && !machine.isDirectory(full);
}

Result<void> storeObject(Machine& machine, std::string_view path, const IniDocument& doc) {
    return machine.writeFileAtomic(profileFilePath(machine, path), doc.serialize());
}

Check checkObjectVersion(Machine& machine, std::string_view path) {
    if (number(loadObject(machine, path), kDef, "Version", -1) != kObjectVersion)
        return refusal(10021);
    return std::nullopt;
}

std::string objectName(Machine& machine, std::string_view path) { return readHeader(loadObject(machine, path)).name; }

Check importObject(Machine& machine, ProjectData& p, std::string_view path) {
    if (auto r = checkText("OBJECT", path, Width::Path))
        return r;
    const std::string name = objectName(machine, path);
    for (const auto& entry : p.objects) {
        if (equalNoCase(entry, path))
            return refusal(10025);
        if (equalNoCase(objectName(machine, entry), name))
            return refusal(10016);
    }
    // The list holds 64 objects; a 65th would not fit it.
    if (p.objects.size() >= static_cast<std::size_t>(kMaxObjects))
        return refusal(10017);
    p.objects.emplace_back(path);
    return std::nullopt;
}

Result<void> ensureDefaultBackdrop(Machine& machine, std::string_view path) {
    if (objectExists(machine, path))
        return {};
    if (int status = MakeDirectoryPath(machine, DirectoryOf(path)); status != kDirCreated && status != kDirExisted)
        return Error::make(WinError::PathNotFound, "cannot create the folder of " + std::string(path));
    IniDocument doc;
    ObjectHeader h;
    h.name = std::string(kDefaultBackdropName);
    h.type = static_cast<int>(ObjectKind::Backdrop);
    h.caption.clear();
    writeHeader(doc, h);
    ControlRecord title;
    title.type = static_cast<int>(ControlType::Text);
    title.caption = "%Application%";
    title.x = 16, title.y = 16, title.width = 608, title.height = 48;
    title.fontSize = 28, title.shadowOffset = 2, title.bold = 1;
    title.foreground = 0xFFFFFF, title.shadowColour = 0;
    title.font = "Times New Roman";
    saveControls(doc, {title});
    return storeObject(machine, path, doc);
}

} // namespace zrv::authoring
