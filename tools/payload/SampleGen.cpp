// ulvara-sample-gen: writes the files the setup archive carries, as deterministic stand-ins. Names, sizes and
// time stamps are the ones the wizard must show and install; contents are generated so that the packed
// archive compresses roughly like the shipped one. The wizard's disk-space figures come from these sizes,
// so every figure is checked here before anything is written.
//
// Usage: ulvara-sample-gen --out DIR [--standin PATH]

#include "platform/Cp1252.h"
#include "tools/payload/Catalogue.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr uint64_t kSeed = 0x554C'5641'5241'3333ULL;
constexpr uint32_t kClusterBytes = 4096;
constexpr size_t kEntryCount = 259;
constexpr std::array<uint64_t, 7> kComponentBytes = {4460544, 622592, 471040, 184320, 770048, 1003520, 65536};
constexpr std::string_view kTemplates = "Modèles de document/";
constexpr std::string_view kInserts = "Collections d'inserts/";
constexpr std::string_view kImages = "Collections d'inserts/Images/";
constexpr std::string_view kBullets = "Collections d'inserts/Images/Puces/";

// Content kinds, in the order of kKindExtensions.
enum class Kind { Program, Licence, WordList, Dict, UserDict, Cache, Vector, Gif, Png, Sound, Patterns, Rtf };
constexpr std::array<std::string_view, 12> kKindExtensions = {"exe", "txt", "asc", "zlx", "tlx", "cache",
                                                              "wmf", "gif", "png", "asn", "dat", "rtf"};

struct Entry {
    std::string path; // UTF-8, as under files/
    std::string name; // Windows-1252, as the packer stores it
    int component = 0;
    int clusters = 0;
    Kind kind = Kind::Program;
    uint32_t size = 0;
    int64_t stamp = 0;
};

// splitmix64: tiny, fixed and identical everywhere, unlike the std:: distributions.
class Rng {
public:
    explicit Rng(uint64_t seed) : state(seed) {}
    uint64_t Next() {
        uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    uint32_t Below(size_t n) { return static_cast<uint32_t>(((Next() >> 32) * n) >> 32); }
    int Range(int lo, int hi) { return lo + static_cast<int>(Below(static_cast<size_t>(hi - lo + 1))); }
    bool Chance(int percent) { return Below(100) < static_cast<uint32_t>(percent); }
    char Byte() { return static_cast<char>(Next() >> 56); }

private:
    uint64_t state;
};

// Each entry draws from its own streams, so editing one generator never reshuffles the others.
Rng StreamFor(size_t index, uint64_t purpose) {
    Rng mixer(kSeed ^ (purpose * 0xD1B54A32D192ED03ULL));
    for (size_t i = 0; i <= index; ++i)
        mixer.Next();
    return Rng(mixer.Next());
}

template <class T> const T& Pick(Rng& rng, const std::vector<T>& items) {
    return items[rng.Below(items.size())];
}

void Put16(std::string& out, uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void Put32(std::string& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

void PutBe32(std::string& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

std::optional<char32_t> DecodeUtf8(std::string_view text, size_t& pos) {
    auto lead = static_cast<unsigned char>(text[pos++]);
    int extra = lead < 0x80 ? 0 : (lead >> 5) == 6 ? 1 : (lead >> 4) == 14 ? 2 : (lead >> 3) == 30 ? 3 : -1;
    if (extra < 0 || pos + static_cast<size_t>(extra) > text.size()) return std::nullopt;
    char32_t cp = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int i = 0; i < extra; ++i) {
        auto next = static_cast<unsigned char>(text[pos++]);
        if ((next & 0xC0) != 0x80) return std::nullopt;
        cp = (cp << 6) | (next & 0x3F);
    }
    return cp;
}

std::optional<std::string> ToCp1252(std::string_view utf8) {
    std::string out;
    for (size_t pos = 0; pos < utf8.size();) {
        std::optional<char32_t> cp = DecodeUtf8(utf8, pos);
        if (!cp) return std::nullopt;
        std::optional<char> byte = ulv::cp1252::FromCodePoint(*cp);
        if (!byte) return std::nullopt;
        out.push_back(*byte);
    }
    return out;
}

// Literals in this file are ours; one that does not convert is a bug here, not bad input.
std::string Cp(std::string_view utf8) {
    std::optional<std::string> text = ToCp1252(utf8);
    if (!text) {
        std::fprintf(stderr, "internal: literal not representable in Windows-1252\n");
        std::abort();
    }
    return *text;
}

std::vector<std::string> CpList(std::initializer_list<std::string_view> items) {
    std::vector<std::string> out;
    for (std::string_view item : items)
        out.push_back(Cp(item));
    return out;
}

// Case folding as Windows applies it to these names, so "Étoile" and "étoile" collide.
std::string Folded(std::string_view text) {
    return ulv::cp1252::Lower(text);
}

constexpr int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    return era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
}

constexpr int64_t Stamp(int y, int mo, int d, int h, int mi, int s) {
    return DaysFromCivil(y, mo, d) * 86400 + h * 3600 + mi * 60 + s;
}

constexpr int64_t kEarliest = Stamp(1995, 8, 15, 22, 46, 10);
constexpr int64_t kLatest = Stamp(2020, 2, 17, 11, 31, 32);

std::string FormatStamp(int64_t t) {
    int64_t z = t / 86400 + 719468;
    const int64_t era = z / 146097, doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100), mp = (5 * doy + 2) / 153;
    const int64_t d = doy - (153 * mp + 2) / 5 + 1, m = mp < 10 ? mp + 3 : mp - 9,
                  y = yoe + era * 400 + (m <= 2);
    const int64_t secs = t % 86400;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", static_cast<int>(y), static_cast<int>(m),
                  static_cast<int>(d), static_cast<int>(secs / 3600), static_cast<int>(secs / 60 % 60),
                  static_cast<int>(secs % 60));
    return buf;
}

// '~' marks a non-breaking space (French puts one before « : ; ! ? » and inside guillemets).
constexpr std::string_view kLicence = R"(TRAITEMENT DE TEXTE ULVARA 3.3
CONTRAT DE LICENCE D’UTILISATION

Veuillez lire attentivement le présent contrat avant d’installer le logiciel. En installant, en copiant ou en utilisant le logiciel «~Traitement de texte Ulvara~» (ci-après «~le Logiciel~»), vous acceptez d’être lié par l’ensemble de ses termes. Si vous ne les acceptez pas, interrompez l’installation et n’utilisez pas le Logiciel.

1. Concession de licence
L’éditeur vous concède une licence personnelle, non exclusive et non transférable d’utilisation du Logiciel sur un seul ordinateur à la fois. Vous êtes autorisé à réaliser une copie du Logiciel, exclusivement à des fins de sauvegarde.

2. Propriété
Le Logiciel, y compris les dictionnaires, les modèles de document, les collections d’inserts, les images et la documentation qui l’accompagnent, est protégé par les lois relatives au droit d’auteur et par les traités internationaux. L’éditeur en conserve la pleine propriété~; seul un droit d’utilisation vous est concédé.

3. Restrictions
Sauf dans les limites expressément autorisées par la loi, vous vous interdisez~:
a) de louer, prêter, vendre ou distribuer le Logiciel, en tout ou en partie~;
b) de décompiler, désassembler ou modifier le Logiciel~;
c) de supprimer ou d’altérer les mentions de propriété qu’il comporte~;
d) de céder la présente licence sans l’accord écrit préalable de l’éditeur.

4. Documents créés avec le Logiciel
Les modèles de document et les éléments des collections d’inserts peuvent être librement incorporés aux documents que vous créez, imprimez ou diffusez. Ils ne peuvent pas être redistribués isolément ni sous forme de collection.

5. Absence de garantie
Le Logiciel est fourni «~en l’état~», sans garantie d’aucune sorte, expresse ou implicite, notamment quant à son adéquation à un usage particulier. L’éditeur ne garantit pas que le Logiciel fonctionnera sans interruption ni erreur.

6. Limitation de responsabilité
Dans toute la mesure permise par la loi applicable, l’éditeur ne saurait être tenu responsable des dommages indirects, tels que la perte de données, de bénéfices ou d’exploitation, résultant de l’utilisation ou de l’impossibilité d’utiliser le Logiciel. En tout état de cause, sa responsabilité est limitée au montant effectivement payé pour le Logiciel.

7. Résiliation
Le présent contrat prend effet à l’installation du Logiciel. Il est résilié de plein droit en cas de manquement à l’une de ses clauses~; vous devez alors détruire toutes les copies du Logiciel en votre possession.

8. Droit applicable
Le présent contrat est régi par le droit français. Tout litige relatif à son interprétation ou à son exécution relève des tribunaux compétents.

Copyright © 1995-2020. Tous droits réservés.
)";

std::string LicenceText() {
    std::string text;
    for (char c : kLicence)
        text += c == '~' ? std::string("\u00A0") : c == '\n' ? std::string("\r\n") : std::string(1, c);
    return Cp(text);
}

// Machine-code-like bytes: a skewed alphabet plus a per-file set of short motifs that recur, which is what
// makes compiled code and packed tables compress only part of the way.
struct Texture {
    int motifPct;
    int zeroPct;
    int commonPct;
};

void AppendTexture(std::string& out, Rng& rng, size_t count, Texture tex) {
    static constexpr std::array<uint8_t, 16> kCommon = {0x8B, 0x89, 0x48, 0xFF, 0xE8, 0x83, 0xC4, 0x45,
                                                        0x24, 0x0F, 0x85, 0x74, 0x50, 0x55, 0xC3, 0x01};
    std::vector<std::string> motifs(128);
    for (std::string& motif : motifs) {
        for (int i = rng.Range(3, 12); i > 0; --i)
            motif.push_back(rng.Chance(50) ? static_cast<char>(kCommon[rng.Below(16)]) : rng.Byte());
    }
    const size_t end = out.size() + count;
    while (out.size() < end) {
        const int roll = rng.Range(0, 99);
        if (roll < tex.motifPct) {
            const std::string& motif = motifs[std::min(rng.Below(128), rng.Below(128))];
            out.append(motif, 0, std::min(motif.size(), end - out.size()));
        } else if (roll < tex.motifPct + tex.zeroPct) {
            out.push_back(0);
        } else if (roll < tex.motifPct + tex.zeroPct + tex.commonPct) {
            out.push_back(static_cast<char>(kCommon[rng.Below(16)]));
        } else {
            out.push_back(rng.Byte());
        }
    }
}

// Adds CR LF lines from `next` until `out` holds exactly `size` bytes. The last line is cut to measure, and
// no line is taken that would leave a gap too small for another line.
template <class Gen> void AppendLines(std::string& out, size_t size, Gen&& next) {
    while (out.size() + 3 <= size) {
        std::string line = next();
        const size_t room = size - out.size() - 2;
        if (line.empty()) continue;
        if (line.size() >= room) {
            out.append(line, 0, room);
        } else if (room - line.size() < 3) {
            continue;
        } else {
            out += line;
        }
        out += "\r\n";
    }
    out.append(size - out.size(), ' ');
}

struct Phonology {
    std::vector<std::string> onsets, nuclei, codas, endings;
};

const Phonology& French() {
    static const Phonology kFrench = {
        CpList({"",   "b",  "c",  "d",  "f",  "g",  "j",  "l",  "m",  "n",  "p",  "r",  "s",  "t", "v",
                "ch", "br", "cr", "dr", "fr", "gr", "pr", "tr", "bl", "cl", "fl", "pl", "qu", "gu"}),
        CpList({"a",  "e",  "i",  "o",  "u",  "é",  "è",  "ê", "ou", "au",
                "ai", "oi", "eu", "an", "en", "on", "in", "â", "ô",  "î"}),
        CpList({"r", "s", "l", "n", "c", "x"}),
        CpList({"e",   "es",  "er",  "ent", "ez",   "é",    "ée",  "és",   "ion",  "ions",
                "ais", "ait", "ant", "eur", "euse", "ment", "ité", "ière", "ette", "ç"})};
    return kFrench;
}

const Phonology& English() {
    static const Phonology kEnglish = {
        CpList({"",  "b", "c",  "d",  "f",  "g",  "h",   "l",  "m",  "n",  "p",  "r", "s",
                "t", "w", "th", "sh", "wh", "st", "str", "br", "cl", "gr", "pl", "tr"}),
        CpList({"a", "e", "i", "o", "u", "ee", "oo", "ea", "ou", "ay", "y", "ai", "oa"}),
        CpList({"ck", "ll", "nd", "nt", "r", "s", "t", "ng"}),
        CpList({"s", "ed", "ing", "er", "ly", "tion", "ness", "able", "ful", "est"})};
    return kEnglish;
}

std::string Word(Rng& rng, const Phonology& p) {
    std::string word;
    // One draw per statement: C++ leaves the evaluation order of + operands open, and output must not
    // depend on the compiler.
    const int syllables = rng.Range(1, 3);
    for (int i = syllables + (rng.Chance(25) ? 1 : 0); i > 0; --i) {
        word += Pick(rng, p.onsets);
        word += Pick(rng, p.nuclei);
        if (rng.Chance(25)) word += Pick(rng, p.codas);
    }
    if (rng.Chance(60)) word += Pick(rng, p.endings);
    return word;
}

struct Bank {
    std::vector<std::string> subjects, verbs, objects, tails;
};

const Bank& BusinessBank() {
    static const Bank kBank = {
        CpList({"le service commercial", "notre équipe", "la direction", "ce rapport", "le comité",
                "notre société", "le responsable du projet", "le conseil", "votre conseiller",
                "le secrétariat", "chaque participant", "le fournisseur"}),
        CpList({"présente", "confirme", "prépare", "examine", "propose", "transmet", "valide", "précise",
                "rappelle", "organise", "étudie", "détaille"}),
        CpList({"les résultats de l’exercice", "le calendrier des travaux", "les conditions de livraison",
                "le budget prévisionnel", "la nouvelle procédure", "les délais de paiement", "votre demande",
                "le compte rendu de la réunion", "les objectifs du trimestre", "la proposition commerciale",
                "les pièces justificatives", "le contrat de maintenance"}),
        CpList({"dès le mois prochain", "avant la fin du trimestre", "conformément à nos accords",
                "dans les meilleurs délais", "à la demande du client", "sans frais supplémentaires",
                "pour l’ensemble du personnel", "selon les modalités prévues", "après accord de la direction",
                "en début de séance"})};
    return kBank;
}

const Bank& TaleBank() {
    static const Bank kBank = {
        CpList({"le vieux meunier", "la jeune bergère", "le loup", "la princesse", "un petit garçon",
                "la fée", "le roi", "une vieille femme", "le chat du moulin", "le forgeron"}),
        CpList({"traversa", "aperçut", "rencontra", "appela", "suivit", "oublia", "chercha", "quitta",
                "retrouva", "protégea"}),
        CpList({"la forêt profonde", "le château", "un ruisseau glacé", "une lanterne", "le village endormi",
                "un trésor caché", "la clé d’or", "son fidèle compagnon", "le pont de pierre"}),
        CpList({"au lever du jour", "sous la pluie", "sans dire un mot", "près de la rivière",
                "à la nuit tombée", "avec un grand sourire", "en chantant doucement",
                "pour la première fois"})};
    return kBank;
}

std::string Sentence(Rng& rng, const Bank& bank) {
    std::string s = Pick(rng, bank.subjects);
    for (const auto* part : {&bank.verbs, &bank.objects})
        s += " " + Pick(rng, *part);
    if (rng.Chance(60)) s += " " + Pick(rng, bank.tails);
    if (s[0] >= 'a' && s[0] <= 'z') s[0] = static_cast<char>(s[0] - 'a' + 'A');
    return s + ".";
}

std::string RtfEscape(std::string_view cp) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (char c : cp) {
        auto u = static_cast<unsigned char>(c);
        if (c == '\\' || c == '{' || c == '}') out += '\\';
        if (u < 0x80) {
            out += c;
        } else {
            out += "\\'";
            out += kHex[u >> 4];
            out += kHex[u & 15];
        }
    }
    return out;
}

enum class RtfFlavor { Prose, Tale, Table, Formula, Letterhead };

RtfFlavor FlavorFor(const Entry& e) {
    if (e.path.ends_with("/Conte.rtf")) return RtfFlavor::Tale;
    if (e.path.find("/Tableaux/") != std::string::npos) return RtfFlavor::Table;
    if (e.path.find("/Formules/") != std::string::npos) return RtfFlavor::Formula;
    if (e.path.find("/En-têtes de lettre/") != std::string::npos) return RtfFlavor::Letterhead;
    return RtfFlavor::Prose;
}

std::string TableRow(Rng& rng) {
    static const std::vector<std::string> kCells = CpList(
        {"Lundi", "Mardi", "Mercredi", "Jeudi", "Vendredi", "Réunion", "Congé", "Livraison", "Total",
         "Désignation", "Quantité", "Prix unitaire", "Observations", "Présent", "Absent", "Télétravail"});
    std::string row = "\\trowd\\trgaph70\\cellx2400\\cellx4800\\cellx7200\\cellx9600\r\n\\pard\\intbl ";
    for (int cell = 0; cell < 4; ++cell) {
        if (rng.Chance(35)) {
            const int units = rng.Range(1, 9999);
            row += std::to_string(units) + "," + std::to_string(rng.Range(10, 99)) + " \\'80";
        } else {
            row += RtfEscape(Pick(rng, kCells));
        }
        row += "\\cell ";
    }
    return row + "\\row\\pard\r\n";
}

std::string Letterhead(Rng& rng) {
    static const std::vector<std::string> kStreets =
        CpList({"rue des Tilleuls", "avenue de la Gare", "place du Marché", "chemin des Vignes",
                "boulevard Carnot", "impasse des Lilas", "quai de l’Écluse"});
    static const std::vector<std::string> kTowns =
        CpList({"VALMOREAU", "BRÉCY-LE-HAUT", "SAINTE-ODILE-DES-PRÉS", "MONTAUREL", "LA FERTÉ-SOUS-BOIS"});
    const std::array<int, 7> n = {rng.Range(1, 5),        rng.Range(10, 99), rng.Range(10, 99),
                                  rng.Range(10, 99),      rng.Range(10, 99), rng.Range(1, 120),
                                  rng.Range(10000, 95999)};
    const std::string street = RtfEscape(Pick(rng, kStreets));
    const std::string town = RtfEscape(Pick(rng, kTowns));
    char phone[40];
    std::snprintf(phone, sizeof phone, "0%d %02d %02d %02d %02d", n[0], n[1], n[2], n[3], n[4]);
    return "\\pard\\qr " + std::to_string(n[5]) + ", " + street + "\\line " + std::to_string(n[6]) + " " +
           town + "\\line T\\'e9l. : " + phone + "\\par\\pard\r\n";
}

std::string RtfChunk(Rng& rng, RtfFlavor flavor) {
    static const std::vector<std::string> kFormulas = {
        "{\\i A} = {\\f2 p}{\\i r}{\\super 2}",
        "{\\i V} = 4/3 {\\f2 p}{\\i r}{\\super 3}",
        "({\\i a} + {\\i b}){\\super 2} = {\\i a}{\\super 2} + 2{\\i ab} + {\\i b}{\\super 2}",
        "{\\i x} = (\\'96{\\i b} \\'b1 \\u8730?({\\i b}{\\super 2} \\'96 4{\\i ac})) / 2{\\i a}",
        "{\\i C}{\\sub n} = {\\i C}{\\sub 0} \\'d7 (1 + {\\i t}){\\super n}",
        "Prix TTC = Prix HT \\'d7 (1 + taux de TVA)",
        "{\\i T}{\\sub F} = {\\i T}{\\sub C} \\'d7 9/5 + 32",
        "({\\i uv})' = {\\i u}'{\\i v} + {\\i uv}'",
        "{\\i d} = {\\i a} \\'d7 {\\i c} / {\\i b}"};
    const Bank& bank = flavor == RtfFlavor::Tale ? TaleBank() : BusinessBank();
    switch (flavor) {
    case RtfFlavor::Table:
        if (rng.Chance(80)) return TableRow(rng);
        break;
    case RtfFlavor::Formula:
        if (rng.Chance(40)) return "\\pard\\qc " + Pick(rng, kFormulas) + "\\par\\pard\r\n";
        break;
    case RtfFlavor::Letterhead:
        if (rng.Chance(40)) return Letterhead(rng);
        break;
    default:
        if (rng.Chance(8)) return "\\pard\\b " + RtfEscape(Sentence(rng, bank)) + "\\b0\\par\r\n";
    }
    std::string para = "\\pard";
    for (int i = rng.Range(1, 4); i > 0; --i)
        para += " " + RtfEscape(Sentence(rng, bank));
    return para + "\\par\r\n";
}

std::string MakeRtf(Rng& rng, const Entry& e) {
    const std::string stem = e.name.substr(e.name.rfind('/') + 1, e.name.size() - e.name.rfind('/') - 5);
    const std::string title = RtfEscape(stem);
    const std::string date = FormatStamp(e.stamp);
    std::string out =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1036{\\fonttbl{\\f0\\froman\\fprq2\\fcharset0 "
        "Times New Roman;}{\\f1\\fswiss\\fprq2\\fcharset0 Arial;}{\\f2\\ftech\\fcharset2 Symbol;}}"
        "\r\n{\\colortbl ;\\red0\\green0\\blue0;\\red31\\green73\\blue125;}\r\n{\\info{\\title " +
        title + "}{\\creatim\\yr" + date.substr(0, 4) + "\\mo" +
        std::to_string(std::stoi(date.substr(5, 2))) + "\\dy" + std::to_string(std::stoi(date.substr(8, 2))) +
        "}}\r\n\\paperw11906\\paperh16838\\margl1417\\margr1417\\margt1417\\margb1417\r\n"
        "\\viewkind4\\uc1\\pard\\plain\\f1\\fs32\\cf2\\b " +
        title + "\\b0\\cf0\\fs24\\f0\\par\r\n";
    constexpr std::string_view kTail = "\\par\r\n}\r\n";
    const RtfFlavor flavor = FlavorFor(e);
    const size_t body = e.size - kTail.size();
    for (int misses = 0; out.size() < body && misses < 40;) {
        std::string chunk = RtfChunk(rng, misses > 0 ? RtfFlavor::Prose : flavor);
        if (out.size() + chunk.size() <= body)
            out += chunk;
        else
            ++misses;
    }
    out.append(body - std::min(body, out.size()), ' '); // trailing blanks of the last paragraph
    return out + std::string(kTail);
}

uint32_t Crc32(std::string_view data) {
    uint32_t crc = 0xFFFFFFFF;
    for (char c : data) {
        crc ^= static_cast<unsigned char>(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320U & (0U - (crc & 1U)));
    }
    return ~crc;
}

void AppendSubBlocks(std::string& out, std::string_view data) {
    for (size_t pos = 0; pos < data.size(); pos += 255) {
        const size_t len = std::min<size_t>(255, data.size() - pos);
        out.push_back(static_cast<char>(len));
        out.append(data.substr(pos, len));
    }
    out.push_back(0);
}

// Comment extension of exactly `bytes` bytes (0, 3 or at least 5): takes up whatever the image leaves over.
void AppendGifComment(std::string& out, size_t bytes) {
    if (bytes == 0) return;
    constexpr std::string_view kText = "Ulvara - collection d'images. ";
    const size_t payload = bytes - 3, blocks = (payload + 255) / 256, data = payload - blocks;
    out += "\x21\xFE";
    for (size_t b = 0, written = 0; b < blocks; ++b) {
        const size_t len = data / blocks + (b < data % blocks ? 1 : 0);
        out.push_back(static_cast<char>(len));
        for (size_t i = 0; i < len; ++i, ++written)
            out.push_back(kText[written % kText.size()]);
    }
    out.push_back(0);
}

// Every code is a literal and the table is reset long before it would widen the codes, so the stream
// stays at bits+1 bits per pixel: valid LZW that any decoder reads, and as dense as the noise it carries.
size_t LzwRun(int bits) {
    return (size_t{1} << bits) - 4;
}

size_t LzwBytes(int bits, size_t pixels) {
    const size_t codes = pixels + (pixels + LzwRun(bits) - 1) / LzwRun(bits) + 1;
    const size_t bytes = (codes * static_cast<size_t>(bits + 1) + 7) / 8;
    return 1 + bytes + (bytes + 254) / 255 + 1;
}

void AppendLzwNoise(std::string& out, Rng& rng, int bits, size_t pixels) {
    const uint32_t clear = 1U << bits;
    std::string packed;
    uint32_t acc = 0;
    int held = 0;
    auto put = [&](uint32_t code) {
        acc |= code << held;
        for (held += bits + 1; held >= 8; held -= 8, acc >>= 8)
            packed.push_back(static_cast<char>(acc & 0xFF));
    };
    for (size_t i = 0; i < pixels; ++i) {
        if (i % LzwRun(bits) == 0) put(clear);
        put(rng.Below(clear));
    }
    put(clear + 1);
    if (held > 0) packed.push_back(static_cast<char>(acc & 0xFF));
    out.push_back(static_cast<char>(bits));
    AppendSubBlocks(out, packed);
}

std::string MakeGif(Rng& rng, uint32_t size) {
    const int bits = size <= 2600 ? 4 : 8;
    const size_t fixed = 32 + 3 * (size_t{1} << bits); // header, screen, control, descriptor, trailer
    if (size < fixed + 16) return {};
    const size_t estimate = (size - fixed) * 8 / static_cast<size_t>(bits + 1) * 9 / 10;
    size_t width = 8;
    while ((width + 2) * (width + 2) <= estimate && width < 240)
        width += 2;
    size_t height = estimate / width + 4;
    auto pad = [&](size_t h) {
        return static_cast<long>(size) - static_cast<long>(fixed + LzwBytes(bits, width * h));
    };
    while (height > 1 && (pad(height) < 0 || pad(height) == 1 || pad(height) == 2 || pad(height) == 4))
        --height;
    if (pad(height) < 0) return {};
    std::string out = "GIF89a";
    Put16(out, static_cast<uint32_t>(width));
    Put16(out, static_cast<uint32_t>(height));
    out.push_back(static_cast<char>(0xF0 | (bits - 1)));
    out += std::string("\0\0", 2);
    for (size_t i = 0; i < 3 * (size_t{1} << bits); ++i)
        out.push_back(rng.Byte());
    out += std::string("\x21\xF9\x04\x01\x00\x00\x00\x00", 8); // colour 0 is transparent
    AppendGifComment(out, static_cast<size_t>(pad(height)));
    out += std::string("\x2C\0\0\0\0", 5);
    Put16(out, static_cast<uint32_t>(width));
    Put16(out, static_cast<uint32_t>(height));
    out.push_back(0);
    AppendLzwNoise(out, rng, bits, width * height);
    return out + ";";
}

std::string PngChunk(std::string_view type, std::string_view data) {
    std::string out;
    PutBe32(out, static_cast<uint32_t>(data.size()));
    const std::string body = std::string(type) + std::string(data);
    PutBe32(out += body, Crc32(body));
    return out;
}

// A shaded round bullet, 16 x 16 RGBA, stored uncompressed so the file size is known before writing.
std::string MakePng(Rng& rng, uint32_t size, int index) {
    static constexpr std::array<int, 27> kColours = {200, 30,  30, 30,  90,  200, 20, 150, 60,
                                                     230, 170, 0,  120, 40,  160, 0,  150, 170,
                                                     90,  90,  90, 230, 110, 20,  20, 20,  110};
    const size_t colour = static_cast<size_t>(index % 9) * 3;
    std::string raw;
    for (int y = 0; y < 16; ++y) {
        raw.push_back(0);
        for (int x = 0; x < 16; ++x) {
            const int d2 = (2 * x - 15) * (2 * x - 15) + (2 * y - 15) * (2 * y - 15);
            const int h2 = (2 * x - 11) * (2 * x - 11) + (2 * y - 11) * (2 * y - 11);
            const int light = std::max(0, 110 - h2 / 3);
            for (size_t c = colour; c < colour + 3; ++c)
                raw.push_back(
                    d2 > 196 ? 0 : static_cast<char>(std::min(255, kColours[c] + light + rng.Range(0, 3))));
            raw.push_back(static_cast<char>(d2 <= 144 ? 255 : d2 <= 196 ? 128 : 0));
        }
    }
    uint32_t a = 1, b = 0;
    for (char c : raw)
        b = (b + (a = (a + static_cast<unsigned char>(c)) % 65521)) % 65521;
    std::string zlib = "\x78\x01\x01";
    Put16(zlib, static_cast<uint32_t>(raw.size()));
    Put16(zlib, static_cast<uint32_t>(~raw.size() & 0xFFFF));
    PutBe32(zlib += raw, (b << 16) | a);
    std::string ihdr;
    PutBe32(ihdr, 16);
    PutBe32(ihdr, 16);
    ihdr += std::string("\x08\x06\x00\x00\x00", 5);
    std::string head = "\x89PNG\r\n\x1A\n" + PngChunk("IHDR", ihdr);
    const std::string tail = PngChunk("IDAT", zlib) + PngChunk("IEND", "");
    const size_t fixed = head.size() + tail.size() + 20;
    if (size < fixed) return {};
    std::string text = "Comment";
    text.push_back(0);
    for (const std::string words = Cp("Puce pour listes à puces, collection Ulvara. ");
         text.size() < size - fixed + 8;)
        text += words;
    text.resize(size - fixed + 8);
    return head + PngChunk("tEXt", text) + tail;
}

void PutWmfRecord(std::string& out, uint32_t func, const std::vector<int>& params, uint32_t& maxWords) {
    const uint32_t words = 3 + static_cast<uint32_t>(params.size());
    maxWords = std::max(maxWords, words);
    Put32(out, words);
    Put16(out, func);
    for (int p : params)
        Put16(out, static_cast<uint32_t>(p) & 0xFFFF);
}

std::vector<int> Stroke(Rng& rng, int points, int& x, int& y) {
    std::vector<int> params = {points};
    for (int i = 0; i < points; ++i) {
        x = std::clamp(x + rng.Range(-60, 60), 0, 2000);
        y = std::clamp(y + rng.Range(-60, 60), 0, 2000);
        params.push_back(x);
        params.push_back(y);
    }
    return params;
}

// Placeable Windows metafile: a pen, a brush, then polygons and polylines drawn as pen strokes.
std::string MakeWmf(Rng& rng, uint32_t size) {
    if (size % 2 != 0 || size < 160) return {};
    std::string body;
    uint32_t maxWords = 0;
    int x = 1000, y = 1000;
    PutWmfRecord(body, 0x020B, {0, 0}, maxWords);
    PutWmfRecord(body, 0x020C, {2000, 2000}, maxWords);
    PutWmfRecord(body, 0x02FA, {0, rng.Range(1, 30), 0, rng.Range(0, 0xFFFF), rng.Range(0, 0xFF)}, maxWords);
    PutWmfRecord(body, 0x012D, {0}, maxWords);
    PutWmfRecord(body, 0x02FC, {rng.Chance(50) ? 0 : 1, rng.Range(0, 0xFFFF), rng.Range(0, 0xFF), 0},
                 maxWords);
    PutWmfRecord(body, 0x012D, {1}, maxWords);
    const size_t room = size - 22 - 18 - 6; // placeable header, metafile header, end record
    for (int points = rng.Range(4, 40); body.size() + 8 + 4 * static_cast<size_t>(points) + 32 <= room;
         points = rng.Range(4, 40)) {
        const uint32_t func = rng.Chance(50) ? 0x0324 : 0x0325;
        PutWmfRecord(body, func, Stroke(rng, points, x, y), maxWords);
    }
    if ((room - body.size()) % 4 == 2) PutWmfRecord(body, 0x0214, {y, x}, maxWords);
    PutWmfRecord(body, 0x0325, Stroke(rng, static_cast<int>((room - body.size() - 8) / 4), x, y), maxWords);
    PutWmfRecord(body, 0x0000, {}, maxWords);
    std::string out;
    Put32(out, 0x9AC6CDD7);
    for (uint32_t v : {0U, 0U, 0U, 2000U, 2000U, 1440U, 0U, 0U})
        Put16(out, v);
    uint32_t sum = 0;
    for (size_t i = 0; i < out.size(); i += 2)
        sum ^= static_cast<unsigned char>(out[i]) | (static_cast<unsigned char>(out[i + 1]) << 8);
    Put16(out, sum);
    for (uint32_t v : {1U, 9U, 0x300U})
        Put16(out, v);
    Put32(out, static_cast<uint32_t>((18 + body.size()) / 2));
    Put16(out, 2);
    Put32(out, maxWords);
    Put16(out, 0);
    return out + body;
}

std::string MakeWordList(Rng& rng, uint32_t size, const Phonology& p) {
    std::vector<std::string> words;
    for (size_t total = 0; total < size + size / 8; total += words.back().size() + 2)
        words.push_back(Word(rng, p));
    std::sort(words.begin(), words.end());
    words.erase(std::unique(words.begin(), words.end()), words.end());
    size_t next = 0;
    std::string out;
    AppendLines(out, size, [&] { return next < words.size() ? words[next++] : Word(rng, p); });
    return out;
}

std::string MakeHyphenation(Rng& rng, uint32_t size) {
    static const std::vector<std::string> kLetters =
        CpList({"a", "a", "e", "e", "e", "i", "o", "u", "b", "c", "d", "f", "g", "l", "m", "n",
                "p", "r", "r", "s", "s", "t", "t", "v", "é", "è", "ê", "à", "ç", "ô", "h", "q"});
    std::string out =
        Cp("% Coupe de mots : motifs de césure pour le français\r\n% Un chiffre impair entre deux "
           "lettres autorise la coupure, un chiffre pair l’interdit.\r\n");
    AppendLines(out, size, [&] {
        std::string pattern = rng.Chance(10) ? "." : "";
        for (int i = rng.Range(2, 5); i > 0; --i) {
            pattern += Pick(rng, kLetters);
            if (i > 1 && rng.Chance(45)) pattern += static_cast<char>('0' + rng.Range(1, 5));
        }
        return rng.Chance(5) ? pattern + "." : pattern;
    });
    return out;
}

std::string MakeBinary(Rng& rng, uint32_t size, std::string_view magic, Texture tex) {
    std::string out(magic);
    Put32(out, size);
    Put32(out, static_cast<uint32_t>(rng.Next()));
    AppendTexture(out, rng, size - std::min<size_t>(size, out.size()), tex);
    out.resize(size);
    return out;
}

std::string MakeSound(Rng& rng, uint32_t size) {
    std::string out("ULVASN\x1A\0", 8);
    for (uint32_t v : {1U, 22050U})
        Put32(out, v);
    for (uint32_t v : {1U, 8U})
        Put16(out, v);
    Put32(out, size - 40);
    out += std::string("Basic\0\0\0\0\0\0\0\0\0\0\0", 16);
    for (int phase = 0; out.size() < size; phase = (phase + 7) % 512) {
        const int wave = phase < 256 ? phase : 511 - phase;
        out.push_back(static_cast<char>(std::clamp(64 + wave / 2 + rng.Range(-96, 96), 0, 255)));
    }
    return out;
}

std::optional<std::string> MakeProgram(Rng& rng, uint32_t size, const std::optional<std::string>& standin) {
    std::string out = standin ? *standin : std::string("MZ");
    if (out.size() > size) return std::nullopt;
    AppendTexture(out, rng, size - out.size(), {14, 12, 25});
    return out;
}

std::optional<Kind> KindOf(std::string_view path) {
    const auto hit =
        std::find(kKindExtensions.begin(), kKindExtensions.end(), path.substr(path.rfind('.') + 1));
    if (hit == kKindExtensions.end()) return std::nullopt;
    return static_cast<Kind>(hit - kKindExtensions.begin());
}

std::optional<uint32_t> FixedSize(std::string_view path) {
    static const std::map<std::string_view, uint32_t> kFixed = {{"vlmr.exe", 4452520},
                                                                {"us.zlx", 87354},
                                                                {"English (American).cache", 8022},
                                                                {"userdicen.tlx", 0},
                                                                {"persodicfr.tlx", 0}};
    auto hit = kFixed.find(path);
    if (hit != kFixed.end()) return hit->second;
    if (path == "Licence.txt") return static_cast<uint32_t>(LicenceText().size());
    return std::nullopt;
}

// Bytes used in the last cluster. Small pictures and snippets sit well under one cluster, as they do in
// any clip-art collection; the big files end anywhere.
uint32_t LastClusterBytes(Rng& rng, Kind kind, int clusters) {
    if (clusters == 1 && kind == Kind::Gif) return static_cast<uint32_t>(rng.Range(260, 1300));
    if (clusters == 1 && kind == Kind::Png) return static_cast<uint32_t>(rng.Range(1180, 1900));
    if (kind == Kind::Vector) return 2 * static_cast<uint32_t>(rng.Range(clusters == 1 ? 250 : 1, 900));
    if (clusters == 1) return static_cast<uint32_t>(rng.Range(600, 1800));
    return static_cast<uint32_t>(rng.Range(1, 2000));
}

// Files outside the two collections, with their archive record and stamp; plus the oldest template.
struct Pinned {
    std::string_view path;
    size_t record;
    int64_t stamp;
};

constexpr std::array<Pinned, 15> kPinned = {{
    {"vlmr.exe", 0, kLatest},
    {"Licence.txt", 1, Stamp(2020, 1, 28, 16, 4, 18)},
    {"English (American).asc", 2, Stamp(2016, 11, 3, 10, 12, 40)},
    {"English (British).asc", 3, Stamp(2016, 11, 3, 10, 14, 6)},
    {"us.zlx", 4, Stamp(2017, 4, 14, 9, 41, 24)},
    {"uk.zlx", 5, Stamp(2017, 4, 14, 9, 43, 52)},
    {"userdicen.tlx", 6, Stamp(2019, 6, 21, 15, 20, 0)},
    {"English (American).cache", 7, Stamp(2019, 6, 21, 15, 22, 14)},
    {"english.zlx", 8, Stamp(2017, 4, 14, 9, 38, 10)},
    {"Modèles de document/Lettres/Lettre commerciale.rtf", 22, kEarliest},
    {"Basic.asn", 254, Stamp(2004, 9, 30, 18, 2, 44)},
    {"French.asc", 255, Stamp(2016, 10, 20, 11, 7, 26)},
    {"persodicfr.tlx", 256, Stamp(2019, 6, 21, 15, 19, 48)},
    {"français.zlx", 257, Stamp(2016, 10, 20, 11, 30, 2)},
    {"Coupe de mots.dat", 258, Stamp(2011, 3, 8, 8, 55, 30)},
}};

int64_t PinnedStamp(std::string_view path) {
    for (const Pinned& pin : kPinned)
        if (pin.path == path) return pin.stamp;
    return 0;
}

std::string FolderOf(std::string_view path) {
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash));
}

// Templates were drawn up first, the insert collections over the following years; a folder's files were
// saved within one sitting.
void AssignStamps(std::vector<Entry>& entries) {
    Rng rng = StreamFor(0, 3);
    std::string folder;
    int64_t clock = 0;
    for (Entry& e : entries) {
        if (FolderOf(e.path) != folder) {
            folder = FolderOf(e.path);
            const bool templ = e.component == 4;
            const int64_t day = templ ? DaysFromCivil(1995, 8, 17) + rng.Range(0, 650)
                                      : DaysFromCivil(1997, 2, 3) + rng.Range(0, 1000);
            clock = day * 86400 + rng.Range(8 * 3600, 18 * 3600);
        }
        clock += rng.Range(20, 900);
        if (PinnedStamp(e.path) != 0) clock = PinnedStamp(e.path); // the folder's later files follow it
        e.stamp = clock - clock % 2;
    }
}

std::optional<std::vector<Entry>> PlanEntries() {
    std::vector<Entry> entries;
    for (const ulv::pack::TCatalogueRow& row : ulv::pack::Catalogue()) {
        Entry e;
        e.path = row.Path;
        std::optional<std::string> name = ToCp1252(e.path);
        if (!name) {
            std::fprintf(stderr, "error: %s is not representable in Windows-1252\n", row.Path);
            return std::nullopt;
        }
        e.name = *name;
        e.component = row.Component;
        e.clusters = row.Clusters;
        std::optional<Kind> kind = KindOf(e.path);
        if (!kind) {
            std::fprintf(stderr, "error: no generator for %s\n", row.Path);
            return std::nullopt;
        }
        e.kind = *kind;
        Rng rng = StreamFor(entries.size(), 1);
        const uint32_t whole = static_cast<uint32_t>(std::max(0, e.clusters - 1)) * kClusterBytes;
        e.size = FixedSize(e.path).value_or(whole + LastClusterBytes(rng, e.kind, e.clusters));
        entries.push_back(std::move(e));
    }
    AssignStamps(entries);
    return entries;
}

class Checker {
public:
    void Expect(bool ok, const std::string& what) {
        if (ok) return;
        std::fprintf(stderr, "check failed: %s\n", what.c_str());
        failed = true;
    }
    bool Failed() const { return failed; }

private:
    bool failed = false;
};

size_t CountIf(const std::vector<Entry>& entries, auto pred) {
    return static_cast<size_t>(std::count_if(entries.begin(), entries.end(), pred));
}

std::set<std::string> SubFolders(const std::vector<Entry>& entries, std::string_view root) {
    std::set<std::string> out;
    for (const Entry& e : entries) {
        if (!e.path.starts_with(root)) continue;
        const size_t slash = e.path.find('/', root.size());
        if (slash != std::string::npos) out.insert(e.path.substr(root.size(), slash - root.size()));
    }
    return out;
}

void CheckNames(Checker& check, const std::vector<Entry>& entries) {
    std::set<std::string> seen;
    for (const Entry& e : entries) {
        check.Expect(e.name.size() >= 6 && e.name.size() <= 72, "name length 6..72: " + e.path);
        check.Expect(e.path.find_first_of("\\:*?\"<>|") == std::string::npos, "Windows-safe name: " + e.path);
        check.Expect(seen.insert(Folded(e.name)).second, "unique ignoring case: " + e.path);
    }
    for (const Pinned& pin : kPinned)
        check.Expect(pin.record < entries.size() && entries[pin.record].path == pin.path,
                     "archive record " + std::to_string(pin.record) + ": " + std::string(pin.path));
    for (std::string_view must :
         {"Modèles de document/Divers/Conte.rtf", "Modèles de document/Mémos/Mémo 1.rtf",
          "Collections d'inserts/Images/Étoiles/Étoile 10.gif"})
        check.Expect(seen.count(Folded(Cp(must))) == 1, "present: " + std::string(must));
    for (const Entry& e : entries) {
        const std::string folded = Folded(e.name);
        check.Expect(!folded.starts_with(Folded(Cp(kImages)) + "coches/"), "no Coches folder: " + e.path);
        const bool bullet = folded.starts_with(Folded(Cp(kBullets)));
        check.Expect(!bullet || !(folded.ends_with(".gif") && (folded.find("/puce ") != std::string::npos ||
                                                               folded.ends_with("/cible.gif"))),
                     "names the clean-up deletes: " + e.path);
    }
}

void CheckGroups(Checker& check, const std::vector<Entry>& entries) {
    check.Expect(entries.size() == kEntryCount, "259 entries");
    for (size_t i = 0; i < entries.size(); ++i) {
        const bool templ = i >= 9 && i < 38, insert = i >= 38 && i < 254;
        check.Expect(entries[i].path.starts_with(kTemplates) == templ, "templates are records 9-37");
        check.Expect(entries[i].path.starts_with(kInserts) == insert, "inserts are records 38-253");
        check.Expect((entries[i].component == 4) == templ && (entries[i].component == 5) == insert,
                     "component column: " + entries[i].path);
    }
    auto under = [&](std::string_view root) {
        return CountIf(entries, [&](const Entry& e) { return e.path.starts_with(root); });
    };
    check.Expect(under(kTemplates) == 29 && under(kInserts) == 216 && under(kImages) == 126,
                 "29/216/126 files");
    check.Expect(SubFolders(entries, kTemplates).size() == 7, "seven template folders");
    const std::set<std::string> insertFolders = SubFolders(entries, kInserts);
    check.Expect(insertFolders.size() == 9 && insertFolders.count("Images") == 1, "nine insert folders");
    check.Expect(CountIf(entries,
                         [](const Entry& e) {
                             return e.path.starts_with(kImages) && FolderOf(e.path) == FolderOf(kImages);
                         }) == 0,
                 "pictures sit in sub-folders of Images");
    for (int n = 1; n <= 9; ++n) {
        const std::string png = std::string(kBullets) + "Puce 0" + std::to_string(n) + ".png";
        check.Expect(CountIf(entries, [&](const Entry& e) { return e.path == png; }) == 1, "present: " + png);
    }
    check.Expect(CountIf(entries, [](const Entry& e) { return e.kind == Kind::Png; }) == 9,
                 "nine PNG bullets");
    check.Expect(CountIf(entries,
                         [](const Entry& e) {
                             return e.path.starts_with(kImages) !=
                                    (e.kind == Kind::Gif || e.kind == Kind::Png);
                         }) == 0,
                 "pictures exactly under Images");
    std::map<std::string, std::pair<size_t, size_t>> spans; // folder -> first index, count
    for (size_t i = 0; i < entries.size(); ++i) {
        for (std::string dir = FolderOf(entries[i].path); !dir.empty(); dir = FolderOf(dir)) {
            auto [it, fresh] = spans.try_emplace(dir, i, 0);
            check.Expect(it->second.first + it->second.second == i, "folder kept together: " + dir);
            ++it->second.second;
        }
    }
}

void CheckSizes(Checker& check, const std::vector<Entry>& entries) {
    std::array<uint64_t, 7> totals{};
    for (const Entry& e : entries) {
        const uint32_t clusters = (e.size + kClusterBytes - 1) / kClusterBytes;
        check.Expect(clusters == static_cast<uint32_t>(e.clusters), "cluster count: " + e.path);
        check.Expect((e.size == 0) == (e.kind == Kind::UserDict), "only user dictionaries empty: " + e.path);
        if (e.component >= 0 && e.component < 7)
            totals[static_cast<size_t>(e.component)] += uint64_t{clusters} * kClusterBytes;
    }
    for (size_t c = 0; c < totals.size(); ++c)
        check.Expect(totals[c] == kComponentBytes[c],
                     "component " + std::to_string(c) + " total " + std::to_string(totals[c]));
    const uint32_t licence = static_cast<uint32_t>(LicenceText().size());
    check.Expect(licence >= 2500 && licence <= 4000, "licence 2.5-4 KB");
}

void CheckStamps(Checker& check, const std::vector<Entry>& entries) {
    for (const Entry& e : entries) {
        check.Expect(e.stamp % 2 == 0 && e.stamp >= kEarliest && e.stamp <= kLatest,
                     "stamp range: " + e.path);
        if (e.path == "us.zlx") check.Expect(FormatStamp(e.stamp) == "2017-04-14 09:41:24", "us.zlx stamp");
    }
    check.Expect(CountIf(entries, [](const Entry& e) { return e.stamp == kEarliest; }) >= 1,
                 "earliest stamp used");
    check.Expect(CountIf(entries, [](const Entry& e) { return e.stamp == kLatest; }) >= 1,
                 "latest stamp used");
}

std::string MakeContent(const Entry& e, size_t index, const std::optional<std::string>& standin) {
    Rng rng = StreamFor(index, 2);
    switch (e.kind) {
    case Kind::Program:
        return MakeProgram(rng, e.size, standin).value_or(std::string());
    case Kind::Licence:
        return LicenceText();
    case Kind::WordList:
        return MakeWordList(rng, e.size, e.component == 2 ? English() : French());
    case Kind::Dict:
        return MakeBinary(rng, e.size, "ULVZLX\x1A", {8, 8, 16});
    case Kind::UserDict:
        return {};
    case Kind::Cache:
        return MakeBinary(rng, e.size, "ULVCACHE", {40, 30, 10});
    case Kind::Rtf:
        return MakeRtf(rng, e);
    case Kind::Vector:
        return MakeWmf(rng, e.size);
    case Kind::Gif:
        return MakeGif(rng, e.size);
    case Kind::Png:
        return MakePng(rng, e.size, static_cast<int>(index));
    case Kind::Sound:
        return MakeSound(rng, e.size);
    case Kind::Patterns:
        return MakeHyphenation(rng, e.size);
    }
    return {};
}

bool WriteFile(const fs::path& path, std::string_view data) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    out.close();
    if (ec || !out) std::fprintf(stderr, "error: cannot write %s\n", path.string().c_str());
    return !ec && static_cast<bool>(out);
}

bool WritePayload(const fs::path& outDir, const std::vector<Entry>& entries,
                  const std::optional<std::string>& standin) {
    std::error_code ec;
    fs::remove_all(outDir / "files", ec);
    if (ec) {
        std::fprintf(stderr, "error: cannot clear %s: %s\n", (outDir / "files").string().c_str(),
                     ec.message().c_str());
        return false;
    }
    std::string list;
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        const std::string data = MakeContent(e, i, standin);
        if (data.size() != e.size) {
            std::fprintf(stderr, "error: %s came out %zu bytes, planned %u\n", e.path.c_str(), data.size(),
                         e.size);
            return false;
        }
        if (!WriteFile(outDir / "files" / fs::path(e.path), data)) return false;
        list += FormatStamp(e.stamp) + "\t" + e.path + "\n";
    }
    return WriteFile(outDir / "payload.lst", list);
}

std::optional<std::string> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return data;
}

void PrintSummary(const std::vector<Entry>& entries) {
    uint64_t total = 0;
    std::array<uint64_t, 7> comps{};
    for (const Entry& e : entries) {
        total += e.size;
        comps[static_cast<size_t>(e.component)] +=
            (uint64_t{e.size} + kClusterBytes - 1) / kClusterBytes * kClusterBytes;
    }
    std::printf("%zu files, %llu bytes; components:", entries.size(), static_cast<unsigned long long>(total));
    for (uint64_t c : comps)
        std::printf(" %llu", static_cast<unsigned long long>(c));
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv) {
    std::optional<std::string> outDir, standinPath;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string_view flag = argv[i];
        if (flag == "--out")
            outDir = argv[i + 1];
        else if (flag == "--standin")
            standinPath = argv[i + 1];
        else
            outDir.reset(), i = argc;
    }
    if (!outDir || argc % 2 == 0) {
        std::fprintf(stderr, "usage: ulvara-sample-gen --out DIR [--standin PATH]\n");
        return 2;
    }
    std::optional<std::string> standin;
    if (standinPath && !(standin = ReadFile(*standinPath))) {
        std::fprintf(stderr, "error: cannot read stand-in %s\n", standinPath->c_str());
        return 1;
    }
    std::optional<std::vector<Entry>> entries = PlanEntries();
    if (!entries) return 1;
    Checker check;
    CheckGroups(check, *entries);
    CheckNames(check, *entries);
    CheckSizes(check, *entries);
    CheckStamps(check, *entries);
    if (check.Failed()) return 1;
    if (standin && standin->size() > (*entries)[0].size) {
        std::fprintf(stderr, "error: stand-in is %zu bytes, larger than the program slot\n", standin->size());
        return 1;
    }
    if (!WritePayload(*outDir, *entries, standin)) return 1;
    PrintSummary(*entries);
    return 0;
}
