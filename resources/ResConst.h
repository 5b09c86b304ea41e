#pragma once
// The program's constant texts and tables (Windows-1252 literals: the sources compile with
// -fexec-charset=CP1252).
#include <array>
#include <string_view>

namespace ulv {

inline constexpr std::string_view kAppTitle = "Installation du traitement de texte Ulvara";
inline constexpr std::string_view kOldWindowsText =
    "Ce programme nécessite Windows 2000 ou un système Windows plus récent.";
inline constexpr std::string_view kDamagedSetupText =
    "Le programme d'installation du traitement de texte Ulvara est endommagé : les fichiers à installer "
    "qu'il "
    "contient sont introuvables ou illisibles.\r\rAucun fichier n'a été installé. Veuillez télécharger de "
    "nouveau "
    "le programme d'installation, puis relancez-le.";

inline constexpr const char* kPayloadResourceName = "FILES";
inline constexpr const char* kPayloadResourceType = "FILES";
inline constexpr int kAppIconId = 1;

inline constexpr int kComponentCount = 7;

inline constexpr std::array<std::string_view, kComponentCount> kComponentNames = {
    "Traitement de texte Ulvara",
    "Vérificateur d'orthographe française",
    "Vérificateur d'orthographe anglaise",
    "Module de coupe de mots",
    "Modèles de document",
    "Collections d'inserts",
    "Module sonore de base",
};

inline constexpr std::array<std::string_view, kComponentCount> kComponentFiles = {
    "vlmr.exe\rLicence.txt",
    "French.asc\rfrançais.zlx\rpersodicfr.tlx",
    "English (American).asc\rEnglish (British).asc\renglish.zlx\rus.zlx\ruk.zlx\ruserdicen.tlx\r"
    "English (American).cache",
    "Coupe de mots.dat",
    "Modèles de document\\",
    "Collections d'inserts\\",
    "Basic.asn",
};

} // namespace ulv
