// The captions of the installer's buttons and labels in its seven languages,
// shared by the interpreter (which shows them) and the authoring tool (which
// writes some into generated dialogs).
#pragma once

#include "common/scripttext.h"

#include <array>
#include <string>

namespace zrv {

struct CaptionRow {
    int base;
    const char* key; // the #NAME# key, or nullptr
    std::array<const char*, kLanguageCount> text; // code page 1252; nullptr = no entry
};

inline constexpr std::array<CaptionRow, 27> kCaptions = {{
    {14000, "OK", {"&Ok", "&Ok", "&Ok", "&Ok", "&Ok", "&Ok", "&Ok"}},
    {14010, "CANCEL", {"&Cancel", "&Cancel", "&Annuler", "&Abbrechen", "&Cancella", "&Cancelar", "A&nnuleren"}},
    {14020, "EXIT", {"E&xit", "E&xit", "&Sortir", "&Abbruch", "&Annulla", "&Salir", "&Afsluiten"}},
    {14030, "QUIT", {"&Quit", "&Quit", "&Quitter", "&Schliessen", "&Termina", "&Salir", "Afsluiten"}},
    {14040, "ABOUT", {"&About", "&About", "&A Propos de", "&Info", "&Informazioni su", "&Acerca de", "&Info"}},
    {14050, "RETRY", {"&Retry", "&Retry", "&R\xe9-essayer", "&Wiederholen", "&Riprova", "&Reintentar", "Nogmaals"}},
    {14060, "IGNORE", {"&Ignore", "&Ignore", "&Ignorer", "&Ignorieren ", "&Ignora", "&Ignorar", "Negeren"}},
    {14070, "INSTALL", {"&Install", "&Install", "&Installer", "&Installieren", "&Installa", "&Instalar", "&Installeer"}},
    {14080, "DEINSTALL", {"&De-Install", "&De-Install", "&D\xe9sinstaller", "&De-Installieren", "&De-Installa", "&Desinstalar", "&De-installeer"}},
    {14090, "CONTINUE", {"&Continue", "&Continue", "&Continuer", "&Weiter", "&Continua", "&Continuar", "&Doorgaan"}},
    {14100, nullptr, {"Source File", "Source File", "Fichier Source", "Quell-Datei", "File Sorgente", "Fichero Origen", "Bron Bestand"}},
    {14110, nullptr, {"Destination File", "Destination File", "Fichier cible", "Ziel-Datei", "File Destinazione", "Fichero Destino", "Doel Bestand"}},
    {14120, "ADD", {"&Add", "&Add", "&Ajouter", "&Hinzuf\xfcgen", "&Aggiunge", "&A\xf1" "adir", "&Toevoegen"}},
    {14130, "MODIFY", {"&Modify", "&Modify", "&Modifier", "&Bearbeiten", "&Modifica", "&Modificar", "&Wijzigen"}},
    {14140, "UPDATE", {"&Update", "&Update", "&Enregistrer", "&Aktualisieren", "&Aggiorna", "&Actualizar", "&Bijwerken"}},
    {14150, "DELETE", {"&Delete", "&Delete", "&D\xe9truire", "&L\xf6schen", "&Elimina", "&Borrar", "&Verwijderen"}},
    {14160, "NEW", {"&New", "&New", "&Cr\xe9" "er", "&Neu", "&Nuova", "&Nuevo", "&Nieuw"}},
    {14170, "HELP", {"&Help", "&Help", "&Aide", "&Hilfe", "&Help", "&Ayuda", "&Help"}},
    {14180, "BACK", {"&Back", "&Back", "&Pr\xe9" "c\xe9" "dent", "&Zur\xfc" "ck", "&Precedente", "&Anterior", "&Terug"}},
    {14190, "NEXT", {"&Next", "&Next", "&Suivant", "&N\xe4" "chst", "&Successivo", "&Siguiente", "Volgen&de"}},
    {14200, "USERNAME", {"User Name", "User Name", "Nom", "Name", "Nome Utente", "Nombre del Usuario", "Naam Gebruiker"}},
    {14210, "COMPANYNAME", {"Company Name", "Company Name", "Organisation", "Firma", "Name Azienda", "Nombre de la Empresa", "Bedrijfsnaam"}},
    {14220, nullptr, {"Path:", "Path:", "Chemin d'acc\xe8s:", "Pfad:", "Path:", "Camino:", "Pad:"}},
    {14230, nullptr, {"&Browse", "&Browse", "&Parcourir", "&Durchsuchen", nullptr, "&Visualizar", nullptr}},
    {14240, nullptr, {"Current Directory:", "Current Directory:", "R\xe9pertoire courant:", "Aktuelles Verzeichnis:", nullptr, "Directorio Actual:", nullptr}},
    {14250, nullptr, {"Directories:", "Directories:", "R\xe9pertoires:", "Verzeichnisse:", nullptr, "Directorios:", nullptr}},
    {14260, nullptr, {"Drives:", "Drives:", "Lecteurs:", "Laufwerke:", nullptr, "Unidades:", nullptr}},
}};

// The caption of `base` in a language 0-6, UK English when that has none,
// "" for an unknown base.
std::string captionText(int base, int language);

} // namespace zrv
