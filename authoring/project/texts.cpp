#include "authoring/project/texts.h"

#include "platform/base/ansi.h"

#include <map>
#include <vector>

namespace zrv::authoring {

const std::array<DialogTextInfo, kDialogTextCount> kDialogTexts = {{
    {"SETUPMSG", "Setup Message", 255},
    {"CAPTION", "Dialog Caption", 128},
    {"NEXTDISK", "Next Diskette Request", 255},
    {"WELCOME1", "Welcome Dialog", 255},
    {"WELCOME2", "Welcome Dialog", 255},
    {"ABOUT", "About Dialog", 255},
    {"ZRVUNI1", "Install Options", 255},
    {"ZRVUNI2", "", 255},
    {"ZRVUNI3", "De-Install Icon", 255},
    {"ZRVUNI4", "De-Install Confirmation", 255},
    {"ZRVUNI5", "De-Install Aborted", 255},
    {"ZRVUNI6", "De-Install Complete", 255},
    {"ZRVUNI7", "De-Install Complete", 255},
    {"ZRVUNI8", "De-Install Error", 255},
    {"ZRVUNI9", "De-Install Error", 255},
    {"ASKPATH1", "Installation Path Dialog", 255},
    {"SPACECHECK1", "Low Disk Space Error", 255},
    {"INUSE1", "File In Use Message", 255},
    {"MAKEGRP", "Make PM Group Prompt", 255},
    {"ERROR1", "Error Dialog", 255},
    {"ERROR2", "Error Dialog", 255},
    {"QUIT1", "Quit Dialog", 255},
    {"QUIT2", "Quit Dialog", 255},
    {"SUCCESS1", "Success Dialog", 255},
    {"SUCCESS2", "Success Dialog", 255},
    {"DIRERROR1", "Directory Error", 255},
    {"DIRERROR2", "Directory Error", 255},
    {"WINEXECFAIL", "File Run Failure", 255},
    {"DLLSELFREGFAIL", "DLL Self Register Failure", 255},
    {"WINEXECREGFAIL", "REG File Failure", 255},
    {"WAITREGOLE", "Wait messages", 255},
    {"WAITMERGEREG", "Wait messages", 255},
    {"WAITSELFEXTRACT", "Wait messages", 255},
}};

const std::array<std::string_view, 15> kUserCodeNames = {
    "Initialisation code", "Pre ASKPATH dialog code", "Pre file copying code", "Post file copying code",
    "Pre PM Group Creation", "Post PM Group Creation", "Installation Completion",
    "Pre-Application De-Installation", "Application De-Installation",
    ":USER1", ":USER2", ":USER3", ":USER4", ":USER5", ":USER6",
};

namespace {

// The 33 dialog texts, then the option, copy comment and overwrite prompt.
constexpr int kTextsPerLanguage = kDialogTextCount + 3;
using LanguageTexts = std::array<const char*, kTextsPerLanguage>;

// In UTF-8 here; handed out in code page 1252.
const LanguageTexts kEnglish = {
    "Starting %Application% Setup...",
    "Setup",
    "Please insert the diskette labelled '$'",
    "Welcome to the %Application% Installation Program.",
    "This program will install the %Application% software in the directory you specify on your hard disk.",
    "%Application% Setup.|This installation program was built with the ZRV installation kit.",
    "Please make a selection from the following options:",
    "",
    "Un-Install %Application%",
    "The %Application% software is about to be removed from your machine.||All files, directories and the "
    "appropriate Program Manager Group will be deleted.||Are you sure you wish to continue ?",
    "De-installation aborted - the %Application% software has not been deinstalled.",
    "The %Application% software has been successfully de-installed.",
    "To re-install the %Application% software you should re-run the installation program.",
    "The %Application% software has not been correctly installed.",
    "The De-installation procedure is unable to de-install the %Application% software.",
    "The install program will copy the %Application% files into the following directory:",
    "The %Application% software requires %Required% bytes of disk space and there is only %Space% bytes free on "
    "your %InstallDrive% drive.||Do you wish to continue to install the software ?",
    "Setup has found that the file:||$||is already in use by Windows.||Do you wish to overwrite it anyway ?",
    "Setup can create a Program Manager group|for the %Application% application.||Do you wish to create a Program "
    "Manager group and icons ?",
    "An error occured during installation of the %Application% software.",
    "|The %Application% software has not been fully installed.",
    "Installation has been terminated. You should re-run this installation program at a later time to install "
    "%Application%.",
    "|The %Application% software has not been installed.",
    "|%Application% installation has been successfully completed.",
    "",
    "|Failed to create the installation directory '%MakeDir%'.",
    "|Unable to install the %Application% software in the specified directory.",
    "Error: WinExec() failed to run file '$'. Error code (%Error%)",
    "Error: DllSelfRegister() failed to register OLE control '$'.",
    "Error: WinExec() failed to run the registry editor to merge file '$'. Error code (%Error%)",
    "Registering OLE controls with the registry. Please wait...",
    "Merging .REG files with the registry. Please wait...",
    "Running self-extracting files. Please wait...",
    "Install the %Application% software",
    "Copying:",
    "Setup is attempting to overwrite:",
};

const LanguageTexts kFrench = {
    "Démarrage de l'installation de %Application%...",
    "Installation",
    "Veuillez insérer la disquette intitulée '$'",
    "Bienvenue dans le programme d'installation de %Application%.",
    "Ce programme va installer le logiciel %Application% dans le répertoire de votre disque dur que vous indiquerez.",
    "Installation de %Application%.|Ce programme d'installation a été réalisé avec le kit d'installation ZRV.",
    "Veuillez choisir parmi les options suivantes :",
    "",
    "Désinstaller %Application%",
    "Le logiciel %Application% va être supprimé de votre ordinateur.||Ses fichiers, ses répertoires et son groupe "
    "du Gestionnaire de programmes seront supprimés.||Voulez-vous continuer ?",
    "Désinstallation abandonnée - le logiciel %Application% n'a pas été désinstallé.",
    "Le logiciel %Application% a été désinstallé avec succès.",
    "Pour réinstaller le logiciel %Application%, relancez le programme d'installation.",
    "Le logiciel %Application% n'a pas été installé correctement.",
    "La procédure de désinstallation ne peut pas désinstaller le logiciel %Application%.",
    "Le programme d'installation va copier les fichiers de %Application% dans le répertoire suivant :",
    "Le logiciel %Application% nécessite %Required% octets d'espace disque et il ne reste que %Space% octets "
    "libres sur votre lecteur %InstallDrive%.||Voulez-vous quand même poursuivre l'installation ?",
    "Le programme d'installation a constaté que le fichier :||$||est déjà utilisé par Windows.||Voulez-vous le "
    "remplacer quand même ?",
    "Le programme d'installation peut créer un groupe du Gestionnaire de programmes|pour l'application "
    "%Application%.||Voulez-vous créer un groupe et des icônes ?",
    "Une erreur s'est produite lors de l'installation du logiciel %Application%.",
    "|Le logiciel %Application% n'a pas été entièrement installé.",
    "L'installation a été interrompue. Relancez ce programme d'installation plus tard pour installer %Application%.",
    "|Le logiciel %Application% n'a pas été installé.",
    "|L'installation de %Application% s'est terminée avec succès.",
    "",
    "|Impossible de créer le répertoire d'installation '%MakeDir%'.",
    "|Impossible d'installer le logiciel %Application% dans le répertoire indiqué.",
    "Erreur : WinExec() n'a pas pu exécuter le fichier '$'. Code d'erreur (%Error%)",
    "Erreur : DllSelfRegister() n'a pas pu enregistrer le contrôle OLE '$'.",
    "Erreur : WinExec() n'a pas pu lancer l'éditeur du registre pour fusionner le fichier '$'. Code d'erreur "
    "(%Error%)",
    "Enregistrement des contrôles OLE dans le registre. Veuillez patienter...",
    "Fusion des fichiers .REG avec le registre. Veuillez patienter...",
    "Exécution des fichiers auto-extractibles. Veuillez patienter...",
    "Installer le logiciel %Application%",
    "Copie :",
    "Le programme d'installation va remplacer :",
};

const LanguageTexts kGerman = {
    "Setup von %Application% wird gestartet...",
    "Setup",
    "Bitte legen Sie die Diskette mit der Aufschrift '$' ein",
    "Willkommen beim Installationsprogramm von %Application%.",
    "Dieses Programm installiert die Software %Application% in dem Verzeichnis Ihrer Festplatte, das Sie angeben.",
    "Setup von %Application%.|Dieses Installationsprogramm wurde mit dem ZRV-Installationskit erstellt.",
    "Bitte wählen Sie aus den folgenden Optionen:",
    "",
    "%Application% deinstallieren",
    "Die Software %Application% wird jetzt von Ihrem Rechner entfernt.||Alle Dateien, Verzeichnisse und die "
    "zugehörige Programm-Manager-Gruppe werden gelöscht.||Möchten Sie wirklich fortfahren ?",
    "Deinstallation abgebrochen - die Software %Application% wurde nicht deinstalliert.",
    "Die Software %Application% wurde erfolgreich deinstalliert.",
    "Um die Software %Application% neu zu installieren, starten Sie das Installationsprogramm erneut.",
    "Die Software %Application% wurde nicht korrekt installiert.",
    "Die Deinstallation kann die Software %Application% nicht entfernen.",
    "Das Installationsprogramm kopiert die Dateien von %Application% in folgendes Verzeichnis:",
    "Die Software %Application% benötigt %Required% Byte Speicherplatz, auf Laufwerk %InstallDrive% sind aber nur "
    "%Space% Byte frei.||Möchten Sie die Installation trotzdem fortsetzen ?",
    "Setup hat festgestellt, dass die Datei:||$||bereits von Windows verwendet wird.||Möchten Sie sie trotzdem "
    "überschreiben ?",
    "Setup kann eine Programm-Manager-Gruppe|für die Anwendung %Application% anlegen.||Möchten Sie eine "
    "Programm-Manager-Gruppe mit Symbolen anlegen ?",
    "Bei der Installation der Software %Application% ist ein Fehler aufgetreten.",
    "|Die Software %Application% wurde nicht vollständig installiert.",
    "Die Installation wurde abgebrochen. Starten Sie dieses Installationsprogramm später erneut, um %Application% "
    "zu installieren.",
    "|Die Software %Application% wurde nicht installiert.",
    "|Die Installation von %Application% wurde erfolgreich abgeschlossen.",
    "",
    "|Das Installationsverzeichnis '%MakeDir%' konnte nicht angelegt werden.",
    "|Die Software %Application% kann nicht im angegebenen Verzeichnis installiert werden.",
    "Fehler: WinExec() konnte die Datei '$' nicht ausführen. Fehlercode (%Error%)",
    "Fehler: DllSelfRegister() konnte das OLE-Steuerelement '$' nicht registrieren.",
    "Fehler: WinExec() konnte den Registrierungs-Editor für die Datei '$' nicht starten. Fehlercode (%Error%)",
    "OLE-Steuerelemente werden registriert. Bitte warten...",
    ".REG-Dateien werden in die Registrierung übernommen. Bitte warten...",
    "Selbstentpackende Dateien werden ausgeführt. Bitte warten...",
    "Die Software %Application% installieren",
    "Kopiere:",
    "Setup versucht zu überschreiben:",
};

const LanguageTexts kItalian = {
    "Avvio dell'installazione di %Application%...",
    "Installazione",
    "Inserire il dischetto con l'etichetta '$'",
    "Benvenuti nel programma di installazione di %Application%.",
    "Questo programma installerà il software %Application% nella directory del disco rigido indicata.",
    "Installazione di %Application%.|Programma realizzato con il kit di installazione ZRV.",
    "Scegliere tra le seguenti opzioni:",
    "",
    "Disinstalla %Application%",
    "Il software %Application% sta per essere rimosso dal computer.||Tutti i file, le directory e il gruppo di "
    "Program Manager corrispondente saranno eliminati.||Continuare ?",
    "Disinstallazione interrotta - il software %Application% non è stato disinstallato.",
    "Il software %Application% è stato disinstallato correttamente.",
    "Per reinstallare il software %Application% eseguire di nuovo il programma di installazione.",
    "Il software %Application% non è stato installato correttamente.",
    "La procedura di disinstallazione non è in grado di disinstallare il software %Application%.",
    "Il programma di installazione copierà i file di %Application% nella seguente directory:",
    "Il software %Application% richiede %Required% byte di spazio su disco e sull'unità %InstallDrive% ci sono "
    "solo %Space% byte liberi.||Continuare comunque l'installazione ?",
    "Il programma di installazione ha rilevato che il file:||$||è già in uso da parte di Windows.||Sovrascriverlo "
    "comunque ?",
    "Il programma di installazione può creare un gruppo di Program Manager|per l'applicazione "
    "%Application%.||Creare un gruppo di Program Manager con le icone ?",
    "Si è verificato un errore durante l'installazione del software %Application%.",
    "|Il software %Application% non è stato installato completamente.",
    "L'installazione è stata interrotta. Eseguire di nuovo questo programma più tardi per installare "
    "%Application%.",
    "|Il software %Application% non è stato installato.",
    "|L'installazione di %Application% è stata completata correttamente.",
    "",
    "|Impossibile creare la directory di installazione '%MakeDir%'.",
    "|Impossibile installare il software %Application% nella directory specificata.",
    "Errore: WinExec() non è riuscito ad eseguire il file '$'. Codice di errore (%Error%)",
    "Errore: DllSelfRegister() non è riuscito a registrare il controllo OLE '$'.",
    "Errore: WinExec() non è riuscito ad avviare l'editor del registro per il file '$'. Codice di errore "
    "(%Error%)",
    "Registrazione dei controlli OLE nel registro. Attendere...",
    "Unione dei file .REG con il registro. Attendere...",
    "Esecuzione dei file autoestraenti. Attendere...",
    "Installa il software %Application%",
    "Copia:",
    "Il programma di installazione sta per sovrascrivere:",
};

const LanguageTexts kSpanish = {
    "Iniciando la instalación de %Application%...",
    "Instalación",
    "Inserte el disquete con la etiqueta '$'",
    "Bienvenido al programa de instalación de %Application%.",
    "Este programa instalará el software %Application% en el directorio del disco duro que usted indique.",
    "Instalación de %Application%.|Programa creado con el kit de instalación ZRV.",
    "Seleccione una de las siguientes opciones:",
    "",
    "Desinstalar %Application%",
    "El software %Application% va a ser eliminado de su equipo.||Se borrarán todos los archivos, directorios y el "
    "grupo del Administrador de programas correspondiente.||¿Desea continuar ?",
    "Desinstalación cancelada - el software %Application% no se ha desinstalado.",
    "El software %Application% se ha desinstalado correctamente.",
    "Para volver a instalar el software %Application% ejecute de nuevo el programa de instalación.",
    "El software %Application% no se ha instalado correctamente.",
    "El procedimiento de desinstalación no puede desinstalar el software %Application%.",
    "El programa de instalación copiará los archivos de %Application% en el siguiente directorio:",
    "El software %Application% necesita %Required% bytes de espacio en disco y sólo hay %Space% bytes libres en "
    "la unidad %InstallDrive%.||¿Desea continuar con la instalación ?",
    "El programa de instalación ha detectado que el archivo:||$||ya está siendo utilizado por Windows.||¿Desea "
    "sobrescribirlo de todos modos ?",
    "El programa de instalación puede crear un grupo del Administrador de programas|para la aplicación "
    "%Application%.||¿Desea crear un grupo con sus iconos ?",
    "Se ha producido un error durante la instalación del software %Application%.",
    "|El software %Application% no se ha instalado por completo.",
    "La instalación se ha interrumpido. Vuelva a ejecutar este programa de instalación más tarde para instalar "
    "%Application%.",
    "|El software %Application% no se ha instalado.",
    "|La instalación de %Application% ha finalizado correctamente.",
    "",
    "|No se pudo crear el directorio de instalación '%MakeDir%'.",
    "|No se puede instalar el software %Application% en el directorio indicado.",
    "Error: WinExec() no pudo ejecutar el archivo '$'. Código de error (%Error%)",
    "Error: DllSelfRegister() no pudo registrar el control OLE '$'.",
    "Error: WinExec() no pudo ejecutar el editor del registro para el archivo '$'. Código de error (%Error%)",
    "Registrando los controles OLE en el registro. Espere, por favor...",
    "Combinando los archivos .REG con el registro. Espere, por favor...",
    "Ejecutando los archivos autoextraíbles. Espere, por favor...",
    "Instalar el software %Application%",
    "Copiando:",
    "El programa de instalación intenta sobrescribir:",
};

const LanguageTexts kDutch = {
    "Installatie van %Application% wordt gestart...",
    "Installatie",
    "Plaats de diskette met het etiket '$'",
    "Welkom bij het installatieprogramma van %Application%.",
    "Dit programma installeert de software %Application% in de map op uw vaste schijf die u opgeeft.",
    "Installatie van %Application%.|Dit installatieprogramma is gemaakt met de ZRV-installatiekit.",
    "Maak een keuze uit de volgende opties:",
    "",
    "%Application% verwijderen",
    "De software %Application% wordt van uw computer verwijderd.||Alle bestanden, mappen en de bijbehorende "
    "Programmabeheer-groep worden gewist.||Weet u zeker dat u wilt doorgaan ?",
    "Verwijderen afgebroken - de software %Application% is niet verwijderd.",
    "De software %Application% is met succes verwijderd.",
    "Start het installatieprogramma opnieuw om de software %Application% opnieuw te installeren.",
    "De software %Application% is niet correct geïnstalleerd.",
    "De verwijderprocedure kan de software %Application% niet verwijderen.",
    "Het installatieprogramma kopieert de bestanden van %Application% naar de volgende map:",
    "De software %Application% heeft %Required% bytes schijfruimte nodig en er zijn slechts %Space% bytes vrij op "
    "station %InstallDrive%.||Wilt u toch doorgaan met de installatie ?",
    "Het installatieprogramma heeft vastgesteld dat het bestand:||$||al door Windows wordt gebruikt.||Wilt u het "
    "toch overschrijven ?",
    "Het installatieprogramma kan een Programmabeheer-groep maken|voor de toepassing %Application%.||Wilt u een "
    "Programmabeheer-groep met pictogrammen maken ?",
    "Er is een fout opgetreden bij de installatie van de software %Application%.",
    "|De software %Application% is niet volledig geïnstalleerd.",
    "De installatie is afgebroken. Start dit installatieprogramma later opnieuw om %Application% te installeren.",
    "|De software %Application% is niet geïnstalleerd.",
    "|De installatie van %Application% is met succes voltooid.",
    "",
    "|De installatiemap '%MakeDir%' kon niet worden gemaakt.",
    "|De software %Application% kan niet in de opgegeven map worden geïnstalleerd.",
    "Fout: WinExec() kon het bestand '$' niet uitvoeren. Foutcode (%Error%)",
    "Fout: DllSelfRegister() kon het OLE-besturingselement '$' niet registreren.",
    "Fout: WinExec() kon de registereditor voor het bestand '$' niet starten. Foutcode (%Error%)",
    "OLE-besturingselementen worden geregistreerd. Even geduld...",
    ".REG-bestanden worden in het register opgenomen. Even geduld...",
    "Zelfuitpakkende bestanden worden uitgevoerd. Even geduld...",
    "De software %Application% installeren",
    "Kopiëren:",
    "Het installatieprogramma probeert te overschrijven:",
};

// UK and US English share their texts.
const std::array<const LanguageTexts*, 7> kLanguages = {&kEnglish, &kEnglish, &kFrench, &kGerman,
                                                        &kItalian, &kSpanish, &kDutch};

std::string text(int language, int index) {
    const LanguageTexts& t = *kLanguages[language >= 0 && language < 7 ? language : 0];
    return utf8ToAnsiLossy(t[index]);
}

const std::map<int, std::string_view>& messages() {
    static const std::map<int, std::string_view> table = {
        {10000, "!Error: Unable to create project file!"},
        {10001, "!Error: Unable to open the selected project!"},
        {10002, "!Error: Unrecogised project (.PRJ) file!"},
        {10003, "!Error: Unrecognised project (.PRJ) file version"},
        {10004, "!Error: Too many files selected for project!"},
        {10005, "Warning: This project has been moved from its original directory.\nDo you wish to rebuild the "
                "project file dependencies now ?"},
        {10010, "!Error: Failed to execute interpreter program command:\n\n%1\n\nWinExec() returned error code "
                "(%2)."},
        {10011, "?3Are you sure you wish to delete this installation ?"},
        {10012, "!Error: This installation already exists!"},
        {10013, "!Error: There is no option to be modified!"},
        {10014, "!Error: Invalid file name!"},
        {10015, "!Error: Invalid object name!"},
        {10016, "!Error: An object with this name already exists!"},
        {10017, "!Error: Cannot add any more objects to the project!"},
        {10018, "?3Are you sure you wish to delete this object from the project ?"},
        {10019, "!Error: The maximum number of controls allowed in an object has been reached!|Cannot add any more "
                "controls."},
        {10021, "!Error: Unrecognised Object File version!"},
        {10022, "?3Are you sure you wish to delete this control ?"},
        {10023, "!Error: Failed to create the temporary preview script file '%1' !"},
        {10024, "!Error: Failed to find object file '%1'.\n\nUnable to continue!"},
        {10025, "!Error: This object file already exists in the project!"},
        {10029, "!Error: Cannot add any more optional installations to the project!"},
        {10030, "!Error: This directory already exists in the list!\nIt cannot be added again."},
        {10031, "!Error: There is no directory to be modified!"},
        {10032, "!Error: Cannot edit the main directory!"},
        {10033, "!Error: Cannot delete the main directory!"},
        {10034, "!Error: Cannot move the main directory!"},
        {10035, "?3Are you sure you wish to delete this directory ?"},
        {10036, "!Error: Cannot add any more directories to the project!"},
    };
    return table;
}

const std::map<int, std::string_view>& statuses() {
    static const std::map<int, std::string_view> table = {
        {11000, "Opening project..."},
        {11001, "Project successfully opened"},
        {11002, "Building project..."},
        {11003, "Project build complete"},
        {11004, "New project created"},
        {11005, "Project closed"},
        {11006, "Saving project..."},
        {11007, "Project successfully saved"},
        {11008, "Saving project file list..."},
        {11009, "Project file list saved"},
        {11010, "Project build process cancelled"},
        {11011, "An error occured during the build process"},
        {11012, "Unable to allocate memory"},
        {11013, "Reorganising file list..."},
        {11014, "Project opening failed"},
        {11015, "Deleting existing files on target drive/directory"},
        {11034, "Importing Visual Basic project..."},
        {11035, "Visual Basic project file successfully imported"},
        {11036, "Import aborted"},
        {11037, "Encrypting script file..."},
        {11038, "Un-encrypting script file..."},
        {11040, "Saving bitmaps..."},
        {11041, "Bitmaps saved"},
        {11042, "Checking project dependencies..."},
        {11043, "Project dependency check complete."},
    };
    return table;
}

} // namespace

std::string defaultDialogText(int language, DialogText t) { return text(language, static_cast<int>(t)); }
std::string defaultOptionText(int language) { return text(language, kDialogTextCount); }
std::string copyingText(int language) { return text(language, kDialogTextCount + 1); }
std::string overwritePromptText(int language) { return text(language, kDialogTextCount + 2); }

std::string_view messageText(int number) {
    auto it = messages().find(number);
    return it == messages().end() ? std::string_view() : it->second;
}

std::string_view plain(std::string_view message) {
    if (message.starts_with("?3"))
        return message.substr(2);
    if (message.starts_with("!"))
        return message.substr(1);
    return message;
}

std::string_view statusText(int number) {
    auto it = statuses().find(number);
    return it == statuses().end() ? std::string_view() : it->second;
}

} // namespace zrv::authoring
