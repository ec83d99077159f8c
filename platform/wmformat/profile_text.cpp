// Reading a Windows Media profile's XML: a small XML reader (elements, attributes, entities,
// comments and declarations skipped) and the mapping of its elements to profile streams.
#include "platform/wmformat/profile_text.h"

#include <cctype>
#include <cstdlib>
#include <memory>

namespace wmformat {

const Guid kMajorAudio = {0x73647561, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
const Guid kMajorVideo = {0x73646976, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

bool Guid::operator==(const Guid& o) const {
    for (int i = 0; i < 8; ++i)
        if (data4[i] != o.data4[i])
            return false;
    return data1 == o.data1 && data2 == o.data2 && data3 == o.data3;
}

namespace {

int DigitValue(char d, int base) {
    int v = 99;
    if (d >= '0' && d <= '9')
        v = d - '0';
    else if (d >= 'a' && d <= 'f')
        v = d - 'a' + 10;
    else if (d >= 'A' && d <= 'F')
        v = d - 'A' + 10;
    return v < base ? v : -1;
}

// The code point of "#123" or "#x7B" (the text between '&' and ';'): digits only (no sign, no
// blanks), 1 to 0x10FFFF. Counted in a fixed width, so a long number cannot wrap into range.
bool CharacterReference(const std::string& e, uint32_t* c) {
    const bool hex = e.size() > 1 && (e[1] == 'x' || e[1] == 'X');
    const int base = hex ? 16 : 10;
    const size_t first = hex ? 2 : 1;
    if (e.size() <= first)
        return false;
    uint32_t value = 0;
    for (size_t i = first; i < e.size(); ++i) {
        const int d = DigitValue(e[i], base);
        if (d < 0)
            return false;
        value = value * base + static_cast<uint32_t>(d);
        if (value > 0x10FFFF)
            return false;
    }
    if (value == 0)
        return false;
    *c = value;
    return true;
}

} // namespace

std::string ToUtf8(const std::u16string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        uint32_t c = s[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | c >> 18);
            out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u16string ToUtf16(const std::string& s) {
    std::u16string out;
    for (size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        uint32_t c = b;
        int more = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
        if (more)
            c = b & (0x3F >> more);
        ++i;
        for (; more > 0 && i < s.size(); --more, ++i)
            c = c << 6 | (static_cast<unsigned char>(s[i]) & 0x3F);
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

namespace {

struct Node {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::vector<std::unique_ptr<Node>> children;

    const std::string* Attribute(const char* key) const {
        for (const auto& a : attributes) {
            if (a.first.size() != std::char_traits<char>::length(key))
                continue;
            bool same = true;
            for (size_t i = 0; same && i < a.first.size(); ++i)
                same = std::tolower(static_cast<unsigned char>(a.first[i])) ==
                       std::tolower(static_cast<unsigned char>(key[i]));
            if (same)
                return &a.second;
        }
        return nullptr;
    }
    const Node* Child(const char* key) const {
        for (const auto& c : children)
            if (Same(c->name, key))
                return c.get();
        return nullptr;
    }
    static bool Same(const std::string& a, const char* b) {
        if (a.size() != std::char_traits<char>::length(b))
            return false;
        for (size_t i = 0; i < a.size(); ++i)
            if (std::tolower(static_cast<unsigned char>(a[i])) !=
                std::tolower(static_cast<unsigned char>(b[i])))
                return false;
        return true;
    }
};

class Reader {
public:
    explicit Reader(const std::string& text) : m_s(text) {}

    // The document's root element, or null with a reason.
    std::unique_ptr<Node> Document(std::string* why) {
        SkipMisc();
        if (!At('<')) {
            *why = "the text is not XML";
            return nullptr;
        }
        auto root = Element(why, 0);
        if (!root)
            return nullptr;
        SkipMisc();
        if (m_p < m_s.size()) {
            *why = "text after the profile element";
            return nullptr;
        }
        return root;
    }

private:
    bool At(char c) const { return m_p < m_s.size() && m_s[m_p] == c; }
    bool StartsWith(const char* t) const {
        return m_s.compare(m_p, std::char_traits<char>::length(t), t) == 0;
    }
    void SkipSpace() {
        while (m_p < m_s.size() && std::isspace(static_cast<unsigned char>(m_s[m_p])))
            ++m_p;
    }
    // Whitespace, comments, declarations and processing instructions.
    void SkipMisc() {
        for (;;) {
            SkipSpace();
            if (StartsWith("<!--")) {
                const size_t end = m_s.find("-->", m_p + 4);
                m_p = end == std::string::npos ? m_s.size() : end + 3;
            } else if (StartsWith("<?") || StartsWith("<!")) {
                const size_t end = m_s.find('>', m_p);
                m_p = end == std::string::npos ? m_s.size() : end + 1;
            } else {
                return;
            }
        }
    }
    std::string Name() {
        const size_t start = m_p;
        while (m_p < m_s.size() && (std::isalnum(static_cast<unsigned char>(m_s[m_p])) || m_s[m_p] == '_' ||
                                    m_s[m_p] == '-' || m_s[m_p] == ':' || m_s[m_p] == '.'))
            ++m_p;
        return m_s.substr(start, m_p - start);
    }
    static bool Unescape(const std::string& in, std::string* out) {
        out->clear();
        for (size_t i = 0; i < in.size(); ++i) {
            if (in[i] != '&') {
                *out += in[i];
                continue;
            }
            const size_t end = in.find(';', i);
            if (end == std::string::npos)
                return false;
            const std::string e = in.substr(i + 1, end - i - 1);
            if (e == "amp")
                *out += '&';
            else if (e == "lt")
                *out += '<';
            else if (e == "gt")
                *out += '>';
            else if (e == "quot")
                *out += '"';
            else if (e == "apos")
                *out += '\'';
            else if (e.size() > 1 && e[0] == '#') {
                uint32_t c = 0;
                if (!CharacterReference(e, &c))
                    return false;
                std::u16string u;
                if (c >= 0x10000) {
                    u += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
                    u += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
                } else {
                    u += static_cast<char16_t>(c);
                }
                *out += ToUtf8(u);
            } else {
                return false;
            }
            i = end;
        }
        return true;
    }
    std::unique_ptr<Node> Element(std::string* why, int depth) {
        if (depth > 32) {
            *why = "elements nested too deeply";
            return nullptr;
        }
        ++m_p; // '<'
        auto node = std::make_unique<Node>();
        node->name = Name();
        if (node->name.empty()) {
            *why = "an element without a name";
            return nullptr;
        }
        for (;;) {
            SkipSpace();
            if (StartsWith("/>")) {
                m_p += 2;
                return node;
            }
            if (At('>')) {
                ++m_p;
                break;
            }
            std::string key = Name();
            SkipSpace();
            if (key.empty() || !At('=')) {
                *why = "a broken attribute in <" + node->name + ">";
                return nullptr;
            }
            ++m_p;
            SkipSpace();
            if (!At('"') && !At('\'')) {
                *why = "an attribute value without quotes in <" + node->name + ">";
                return nullptr;
            }
            const char quote = m_s[m_p++];
            const size_t end = m_s.find(quote, m_p);
            std::string value;
            if (end == std::string::npos || !Unescape(m_s.substr(m_p, end - m_p), &value)) {
                *why = "a broken attribute value in <" + node->name + ">";
                return nullptr;
            }
            m_p = end + 1;
            node->attributes.emplace_back(key, value);
        }
        // Content: child elements; text between them is not used by profiles.
        for (;;) {
            const size_t lt = m_s.find('<', m_p);
            if (lt == std::string::npos) {
                *why = "<" + node->name + "> is not closed";
                return nullptr;
            }
            m_p = lt;
            if (StartsWith("<!--") || StartsWith("<?") || StartsWith("<!")) {
                SkipMisc();
                continue;
            }
            if (StartsWith("</")) {
                m_p += 2;
                const std::string close = Name();
                SkipSpace();
                if (close != node->name || !At('>')) {
                    *why = "<" + node->name + "> is closed by </" + close + ">";
                    return nullptr;
                }
                ++m_p;
                return node;
            }
            auto child = Element(why, depth + 1);
            if (!child)
                return nullptr;
            node->children.push_back(std::move(child));
        }
    }

    const std::string& m_s;
    size_t m_p = 0;
};

bool Number(const Node& n, const char* key, int64_t* out, bool required, std::string* why) {
    const std::string* v = n.Attribute(key);
    if (!v || v->empty()) {
        if (required)
            *why = std::string("<") + n.name + "> has no " + key;
        return !required;
    }
    char* stop = nullptr;
    const long long x = strtoll(v->c_str(), &stop, 10);
    if (!stop || *stop) {
        *why = std::string("<") + n.name + "> " + key + " is not a number: " + *v;
        return false;
    }
    *out = x;
    return true;
}

// A number that must lie within [low, high].
template <class T>
bool Field(const Node& n, const char* key, T* out, int64_t low, int64_t high, bool required,
           std::string* why) {
    int64_t x = 0;
    const bool present = n.Attribute(key) != nullptr;
    if (!Number(n, key, &x, required, why))
        return false;
    if (!present)
        return true;
    if (x < low || x > high) {
        *why = std::string("<") + n.name + "> " + key + " is out of range";
        return false;
    }
    *out = static_cast<T>(x);
    return true;
}

bool ParseGuid(const std::string& text, Guid* g) {
    // {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}
    if (text.size() != 38 || text[0] != '{' || text[37] != '}' || text[9] != '-' || text[14] != '-' ||
        text[19] != '-' || text[24] != '-')
        return false;
    auto hex = [&](size_t at, size_t digits, uint64_t* v) {
        *v = 0;
        for (size_t i = 0; i < digits; ++i) {
            const char c = text[at + i];
            if (!std::isxdigit(static_cast<unsigned char>(c)))
                return false;
            *v =
                *v * 16 + static_cast<uint64_t>(std::isdigit(static_cast<unsigned char>(c))
                                                    ? c - '0'
                                                    : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10);
        }
        return true;
    };
    uint64_t a, b, c, d, e;
    if (!hex(1, 8, &a) || !hex(10, 4, &b) || !hex(15, 4, &c) || !hex(20, 4, &d) || !hex(25, 12, &e))
        return false;
    g->data1 = static_cast<uint32_t>(a);
    g->data2 = static_cast<uint16_t>(b);
    g->data3 = static_cast<uint16_t>(c);
    g->data4[0] = static_cast<uint8_t>(d >> 8);
    g->data4[1] = static_cast<uint8_t>(d);
    for (int i = 0; i < 6; ++i)
        g->data4[2 + i] = static_cast<uint8_t>(e >> (40 - 8 * i));
    return true;
}

bool GuidField(const Node& n, const char* key, Guid* g, std::string* why) {
    const std::string* v = n.Attribute(key);
    if (!v || !ParseGuid(*v, g)) {
        *why = std::string("<") + n.name + "> has no valid " + key;
        return false;
    }
    return true;
}

bool Flag(const Node& n, const char* key) {
    const std::string* v = n.Attribute(key);
    return v && (*v == "1" || *v == "true" || *v == "TRUE");
}

bool ParseHex(const std::string& text, std::vector<uint8_t>* out) {
    if (text.size() % 2)
        return false;
    out->clear();
    for (size_t i = 0; i < text.size(); i += 2) {
        if (!std::isxdigit(static_cast<unsigned char>(text[i])) ||
            !std::isxdigit(static_cast<unsigned char>(text[i + 1])))
            return false;
        out->push_back(static_cast<uint8_t>(strtoul(text.substr(i, 2).c_str(), nullptr, 16)));
    }
    return true;
}

bool ParseAudio(const Node& type, ProfileStream* s, std::string* why) {
    const Node* w = type.Child("waveformatex");
    if (!w) {
        *why = "an audio stream without <waveformatex>";
        return false;
    }
    AudioFormat& a = s->audio;
    if (!Field(*w, "wFormatTag", &a.formatTag, 1, 0xFFFF, true, why) ||
        !Field(*w, "nChannels", &a.channels, 1, 8, true, why) ||
        !Field(*w, "nSamplesPerSec", &a.samplesPerSec, 1000, 384000, true, why) ||
        !Field(*w, "nAvgBytesPerSec", &a.avgBytesPerSec, 1, 0x7FFFFFFF, true, why) ||
        !Field(*w, "nBlockAlign", &a.blockAlign, 1, 0xFFFF, true, why) ||
        !Field(*w, "wBitsPerSample", &a.bitsPerSample, 0, 64, false, why))
        return false;
    if (const std::string* data = w->Attribute("codecdata")) {
        if (!ParseHex(*data, &a.codecData)) {
            *why = "<waveformatex> codecdata is not hexadecimal";
            return false;
        }
    }
    return true;
}

bool ParseVideo(const Node& stream, const Node& type, ProfileStream* s, std::string* why) {
    const Node* v = type.Child("videoinfoheader");
    const Node* b = v ? v->Child("bitmapinfoheader") : nullptr;
    if (!b) {
        *why = "a video stream without <videoinfoheader> and <bitmapinfoheader>";
        return false;
    }
    VideoFormat& f = s->video;
    if (!Field(*v, "dwbitrate", &f.bitRate, 0, 0x7FFFFFFF, false, why) ||
        !Field(*v, "avgtimeperframe", &f.avgTimePerFrame, 0, 100000000, false, why) ||
        !Field(*b, "biwidth", &f.width, 16, 4096, true, why) ||
        !Field(*b, "biheight", &f.height, 16, 4096, true, why) ||
        !Field(*b, "bibitcount", &f.bitCount, 0, 32, false, why))
        return false;
    if (f.width % 2 || f.height % 2) {
        *why = "a video size that is not even";
        return false;
    }
    const std::string* c = b->Attribute("bicompression");
    if (!c || c->empty()) {
        *why = "<bitmapinfoheader> has no bicompression";
        return false;
    }
    if (c->size() == 4 && !std::isdigit(static_cast<unsigned char>((*c)[0]))) {
        f.compression = static_cast<uint32_t>(static_cast<unsigned char>((*c)[0])) |
                        static_cast<uint32_t>(static_cast<unsigned char>((*c)[1])) << 8 |
                        static_cast<uint32_t>(static_cast<unsigned char>((*c)[2])) << 16 |
                        static_cast<uint32_t>(static_cast<unsigned char>((*c)[3])) << 24;
    } else if (!Field(*b, "bicompression", &f.compression, 0, 0xFFFFFFFFll, true, why)) {
        return false;
    }
    if (const Node* props = stream.Child("videomediaprops")) {
        if (!Field(*props, "quality", &f.quality, 0, 100, false, why) ||
            !Field(*props, "maxkeyframespacing", &f.maxKeyFrameSpacing, 0, 0x7FFFFFFFFFFFll, false, why))
            return false;
    }
    return true;
}

bool ParseStream(const Node& n, ProfileStream* s, std::string* why) {
    if (!GuidField(n, "majortype", &s->majorType, why) ||
        !Field(n, "streamnumber", &s->number, 1, 63, true, why) ||
        !Field(n, "bitrate", &s->bitRate, 1, 0x7FFFFFFF, true, why))
        return false;
    int64_t window = 0;
    if (!Number(n, "bufferwindow", &window, false, why))
        return false;
    s->bufferWindow = window < 0 ? 0xFFFFFFFFu : static_cast<uint32_t>(window);
    if (const std::string* v = n.Attribute("streamname"))
        s->name = *v;
    if (const std::string* v = n.Attribute("inputname"))
        s->connection = *v;
    const Node* type = n.Child("wmmediatype");
    if (!type) {
        *why = "a stream without <wmmediatype>";
        return false;
    }
    if (!GuidField(*type, "subtype", &s->subtype, why))
        return false;
    s->fixedSizeSamples = Flag(*type, "bfixedsizesamples");
    s->temporalCompression = Flag(*type, "btemporalcompression");
    if (!Field(*type, "lsamplesize", &s->sampleSize, 0, 0x7FFFFFFF, false, why))
        return false;
    if (s->IsAudio())
        return ParseAudio(*type, s, why);
    if (s->IsVideo())
        return ParseVideo(n, *type, s, why);
    *why = "a stream that is neither audio nor video";
    return false;
}

} // namespace

bool ParseProfile(const std::u16string& text, ProfileText* out, std::string* why) {
    *out = ProfileText{};
    std::u16string body = text.substr(0, text.find(u'\0'));
    if (!body.empty() && body[0] == 0xFEFF)
        body.erase(0, 1);
    const std::string utf8 = ToUtf8(body);
    Reader reader(utf8);
    std::unique_ptr<Node> root = reader.Document(why);
    if (!root)
        return false;
    if (!Node::Same(root->name, "profile")) {
        *why = "the text is not a profile (its element is <" + root->name + ">)";
        return false;
    }
    int64_t version = 0;
    if (!Number(*root, "version", &version, false, why))
        return false;
    out->version = static_cast<uint32_t>(version);
    if (const std::string* v = root->Attribute("name"))
        out->name = *v;
    if (const std::string* v = root->Attribute("description"))
        out->description = *v;
    for (const auto& child : root->children) {
        if (!Node::Same(child->name, "streamconfig"))
            continue;
        ProfileStream s;
        if (!ParseStream(*child, &s, why))
            return false;
        for (const ProfileStream& other : out->streams)
            if (other.number == s.number) {
                *why = "stream number " + std::to_string(s.number) + " is used twice";
                return false;
            }
        out->streams.push_back(std::move(s));
    }
    if (out->streams.empty()) {
        *why = "the profile has no stream";
        return false;
    }
    return true;
}

} // namespace wmformat
