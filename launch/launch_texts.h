#pragma once
// The launch's constants: the workbooks' open password, the texts of its messages and the styles of
// their boxes (MessageBox flags), and the exit codes the process ends with.

#include <cstdint>
#include <string_view>

namespace quben {

inline constexpr std::wstring_view kWorkbookPassword = L"vepal_kordinut!?";
inline constexpr std::int32_t kXlAutoOpen = 1;

inline constexpr std::wstring_view kMessageTitle = L"quben";

// A workbook that is not there.
inline constexpr std::wstring_view kAbsentPrompt =
    L"Désolé , le fichier correspondant est absent du répertoire de travail .";
inline constexpr std::uint32_t kMessageButtons = 0; // OK alone, no icon

// A launch that failed. The box goes above the application, which may already be in front.
inline constexpr std::uint32_t kFailureBoxStyle = 0x00050010; // OK, error icon, set foreground, topmost
inline constexpr std::wstring_view kNotStartedFirstLine = L"Microsoft Excel n'a pas pu être démarré.";
inline constexpr std::wstring_view kNotInstalledDetail =
    L"Excel ne semble pas être installé sur cet ordinateur.";
inline constexpr std::wstring_view kNotOpenedFirstLine = L"Le classeur n'a pas pu être ouvert dans Excel.";
inline constexpr std::wstring_view kTooLongFirstLine =
    L"Le chemin de ce classeur est trop long pour Excel (218 caractères au plus).";
inline constexpr std::wstring_view kTooLongAdvice =
    L"Déplacez le classeur dans un dossier au chemin plus court, ou donnez-lui un nom plus court, "
    L"puis ouvrez-le de nouveau.";

// An application that kept refusing calls for the whole of the launch's limit: a window of its own
// (activation, sign-in, first run) is waiting for the user.
inline constexpr std::wstring_view kNotRespondingFirstLine = L"Excel ne répond pas.";
inline constexpr std::wstring_view kNotRespondingAdvice =
    L"Si Excel affiche une fenêtre, répondez-y, puis ouvrez de nouveau le classeur.";

// An application whose creation it refused, or did not complete, while it starts: its window
// (activation, sign-in, safe mode) is probably up and waiting for the user.
inline constexpr std::wstring_view kNotReadyFirstLine = L"Excel a été lancé mais ne répond pas encore.";
inline constexpr std::wstring_view kNotReadyAdvice =
    L"Si une fenêtre d'Excel est ouverte (activation, compte, démarrage sans échec), "
    L"répondez-y, puis ouvrez de nouveau le classeur.";

// A workbook the application could open only for reading because someone else has it open. The
// application has it: a notice, not a failure. No owner: the launcher is minimised by then.
inline constexpr std::uint32_t kNoticeBoxStyle = 0x00050040; // OK, information icon, set foreground, topmost
inline constexpr std::wstring_view kHeldElsewhereFirstLine =
    L"Ce classeur est déjà ouvert par quelqu'un d'autre\u00A0: Excel l'a ouvert en lecture seule.";
inline constexpr std::wstring_view kHeldElsewhereAdvice =
    L"Vos modifications devront être enregistrées sous un autre nom.";

// A workbook downloaded from the Internet, whose macros would run unasked.
inline constexpr std::uint32_t kQuestionBoxStyle = 0x00000134; // Yes and No, warning icon, No by default
inline constexpr int kAnswerYes = 6;                           // IDYES
inline constexpr std::wstring_view kDownloadedFirstLine = L"Ce classeur provient d'Internet.";
inline constexpr std::wstring_view kDownloadedWarning =
    L"Windows l'a marqué comme téléchargé. Ses macros s'exécuteront dès son ouverture\u00A0: "
    L"ne continuez que si vous avez confiance en sa provenance.";
inline constexpr std::wstring_view kDownloadedSourceLabel = L"Provenance\u00A0: ";
inline constexpr std::wstring_view kDownloadedQuestion = L"Débloquer ce classeur et l'ouvrir\u00A0?";
// ... and the organisation does not let users unblock such files (a failure box).
inline constexpr std::wstring_view kForbiddenFirstLine =
    L"Ce classeur provient d'Internet et votre organisation ne permet pas de le débloquer.";
inline constexpr std::wstring_view kForbiddenAdvice =
    L"Enregistrez-le dans un dossier approuvé par votre service informatique, ou adressez-vous à lui.";

// A workbook whose macros the organisation does not allow on this computer (a failure box).
inline constexpr std::wstring_view kMacrosDisabledFirstLine =
    L"Votre organisation a désactivé les macros d'Excel sur ce poste. "
    L"Ce classeur a besoin de ses macros\u00A0: il n'a pas été ouvert.";
inline constexpr std::wstring_view kMacrosDisabledAdvice = L"Adressez-vous à votre service informatique.";

// ... where it is the user's own choice in Excel's Trust Center (a failure box).
inline constexpr std::wstring_view kMacrosDisabledByUserFirstLine =
    L"Vos paramètres d'Excel désactivent toutes les macros. "
    L"Ce classeur a besoin de ses macros\u00A0: il n'a pas été ouvert.";
inline constexpr std::wstring_view kMacrosDisabledByUserAdvice =
    L"Dans Excel, choisissez un autre paramètre "
    L"(Fichier > Options > Centre de gestion de la confidentialité > Paramètres des macros), "
    L"ou placez le classeur dans un emplacement approuvé, puis ouvrez-le de nouveau.";

// Macros disabled only in workbooks a program opens (AutomationSecurity 3): a double-click on the
// workbook still runs them under the user's settings (a failure box).
inline constexpr std::wstring_view kProgramMacrosDisabledFirstLine =
    L"Votre organisation désactive les macros des classeurs ouverts par un programme, "
    L"comme ce lanceur\u00A0: ce classeur n'a pas été ouvert.";
inline constexpr std::wstring_view kProgramMacrosDisabledAdvice =
    L"Ouvrez-le depuis l'Explorateur de fichiers (double-clic sur le classeur)\u00A0: "
    L"Excel appliquera alors vos paramètres de macros. "
    L"Sinon, adressez-vous à votre service informatique.";

// VBA turned off by the organisation: no macro can run at all (a failure box).
inline constexpr std::wstring_view kVbaOffFirstLine =
    L"Visual Basic pour Applications est désactivé sur ce poste par votre organisation. "
    L"Ce classeur a besoin de ses macros\u00A0: il n'a pas été ouvert.";

// A workbook from the Internet whose macros the organisation blocks, where users may still unblock
// a file they trust (a failure box).
inline constexpr std::wstring_view kInternetMacrosBlockedFirstLine =
    L"Votre organisation bloque les macros des fichiers provenant d'Internet, et ce classeur en "
    L"provient\u00A0: il n'a pas été ouvert.";
inline constexpr std::wstring_view kInternetMacrosBlockedAdvice =
    L"Si vous avez confiance en ce classeur, débloquez-le dans ses propriétés "
    L"(case «\u00A0Débloquer\u00A0»), puis ouvrez-le de nouveau. "
    L"Sinon, adressez-vous à votre service informatique.";

// The application could not be told to apply the organisation's macro rules itself (a failure box):
// it is never shown.
inline constexpr std::wstring_view kMacroRulesNotAppliedFirstLine =
    L"Le classeur n'a pas pu être ouvert selon les règles de votre organisation pour les macros.";

// The workbook's macros did not run, whatever the cause: it stays open, but does nothing (a
// failure box).
inline constexpr std::wstring_view kMacrosNotRunFirstLine =
    L"Les macros de ce classeur n'ont pas pu s'exécuter "
    L"(règles de votre organisation, paramètres d'Excel, ou provenance du fichier).";
inline constexpr std::wstring_view kMacrosNotRunAdvice =
    L"Le classeur reste ouvert dans Excel, mais ses calculs ne fonctionneront pas. "
    L"Adressez-vous à votre service informatique.";

// How the process ends: 0 when the application has the workbook, the user cancelled the dialog or
// the workbook was reported absent; 1 when the launch failed and said why, or the user closed the
// launcher while it was under way.
inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;

} // namespace quben
