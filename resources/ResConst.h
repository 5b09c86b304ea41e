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
inline constexpr std::string_view kSetupAlreadyRunningText =
    "Le programme d'installation du traitement de texte Ulvara est déjà en cours d'exécution.\r\rTerminez-le "
    "avant de le relancer.";

inline constexpr std::string_view kUnexpectedFailureText =
    "Une erreur inattendue a interrompu le programme d'installation.\r\rL'installation d'Ulvara n'est pas "
    "terminée. Vous pourrez relancer ce programme plus tard afin de la terminer.";
inline constexpr std::string_view kProductName = "Traitement de texte Ulvara";
// The build's version (the project's, in CMakeLists.txt).
inline constexpr std::string_view kProductVersion = ULVARA_VERSION;
// The folder the product's files go in, below the program files, the documents or the common data folder.
inline constexpr std::string_view kProductFolderName = "Ulvara";
// Formatted with the product name for the first "%s" and an empty text for the second.
inline constexpr std::string_view kWelcomeTextTemplate =
    "Ce programme va installer %s (version 3.3.3.1%s) sur votre ordinateur.\r\r\r\r\rCliquez sur \"Suite\" "
    "pour continuer. Cliquez sur \"Annuler\" si vous voulez renoncer à l'installation.";
inline constexpr std::string_view kFinishTextTemplate =
    "%s 3.3.3.1%s a été installé avec succès sur votre ordinateur.\r\rCliquez sur Terminer pour quitter ce "
    "programme d'installation.";
inline constexpr std::string_view kSelCompCaption =
    "Désactivez les cases des &composants que vous ne voulez pas installer ou mettre à jour (l'espace disque "
    "requis est affiché sur la droite) :";
inline constexpr std::string_view kWelcomeTitle = "Merci de faire confiance à Ulvara";
// The title band's text for each page, by page index.
inline constexpr std::array<std::string_view, 8> kPageTitles = {
    kWelcomeTitle,
    "Accord de Licence",
    "Choix du dossier d'installation",
    "Choix des composants à installer",
    "L'installation peut commencer",
    "Installation",
    "Types de document à associer à Ulvara",
    "Installation terminée",
};
inline constexpr std::string_view kBackCaption = "< &Retour";
inline constexpr std::string_view kNextCaption = "&Suite >";
inline constexpr std::string_view kCancelCaption = "Annuler";
inline constexpr std::string_view kFinishCaption = "&Terminer";
inline constexpr std::string_view kRunningCopyText =
    "Un exemplaire du traitement de texte Ulvara est en cours d'exécution sur votre système.\rVeuillez "
    "fermer "
    "tous les exemplaires du traitement de texte Ulvara actuellement ouverts\ravant de cliquer sur le bouton "
    "\"OK\" ci-dessous.";
inline constexpr std::string_view kLicenceDeclinedText =
    "L'installation de ce programme est liée à l'acceptation de l'ensemble des termes\rdu Contrat de Licence "
    "du traitement de texte Ulvara.\rVoulez-vous vraiment annuler l'installation d'Ulvara ?";
inline constexpr std::string_view kAbortQuestionText =
    "L'installation n'est pas terminée !\r\rSi vous interrompez le programme d'installation "
    "maintenant,\rUlvara "
    "ne sera pas correctement installé.\r\rVous pourrez relancer ce programme plus tard\rafin de terminer "
    "l'installation d'Ulvara.\r\rPour poursuivre l'installation maintenant,\rcliquez sur \"Non\".\r\rPour "
    "interrompre l'installation,\rcliquez sur \"Abandonner\".";
// The window property every running copy of the word processor carries on a top-level window.
inline constexpr std::string_view kRunningCopyProperty = "1.x Vantor Kell";
inline constexpr std::string_view kLicenceEntryName = "Licence.txt";
inline constexpr std::string_view kCommonDataName = "vlmr_common.dat";

// The wizard's pictures: PNG logos and the glyphs of the folder and drive lists (BITMAP resources).
inline constexpr const char* kPngResourceType = "PNG";
inline constexpr const char* kLogoSmallResource = "LOGOSMALL";
inline constexpr const char* kLogoResource = "LOGO";
// RT_BITMAP by number, which FindResourceA reads from "#2".
inline constexpr const char* kBitmapResourceType = "#2";
inline constexpr const char* kOpenFolderResource = "OPENFOLDER";
inline constexpr const char* kClosedFolderResource = "CLOSEDFOLDER";
inline constexpr const char* kRemovableDriveResource = "REMOVABLEDRIVE";
inline constexpr const char* kFixedDriveResource = "FIXEDDRIVE";

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
