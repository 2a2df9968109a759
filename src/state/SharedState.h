#pragma once

#include <QString>

namespace qvic {

// The one record every window reads and writes: the paths, the current
// document, the password dialog's result, the players' account and the Kite-7
// choices. A send is not passed through it: it is a call with its players and
// files. Local paths use "/"; remote paths keep "\".
struct SharedState
{
    // Folders and files, fixed at start-up by setUpFolders.
    QString appFolder;      // AppDir/Application
    QString winFolder;         // holds icpass.ini
    QString settingsFolder; // AppDir/Application/Settings
    QString crawlFolder;      // AppDir/Application/RTF
    QString iniFile;        // AppDir/IC.ini
    QString instantFile;    // settingsFolder/Instant.txt
    QString passwordFile;       // winFolder/icpass.ini
    QString addressListFile;     // AppDir/IPList.txt
    QString lastAddressFile;      // AppDir/preIP.txt

    // The crawl document open in the editor; both names always change together.
    QString currentFilePath;
    QString currentFileName;
    bool modified = false;

    // Scratch fields of the crawl settings save: the six fields and their line.
    QString settingsDwell;
    QString settingsColorKey;
    QString settingsTransparency;
    QString settingsSpeed;
    QString settingsLocation;
    QString settingsBackColor;
    QString settingsLine;

    // Dialog results.
    bool passwordAccepted = false;

    // The players' fixed FTP account.
    QString ftpUser;
    QString ftpPassword;

    // Kite-7 device settings; numbered ones are 1-based list positions. Never saved.
    QString kite7ComPort;
    QString kite7Speed;
    QString kite7Position;
    QString kite7Repeat;
    QString kite7BackColor;
    QString kite7Font;
    QString kite7FontColor;
    QString kite7Message; // the editor's plain text, CR LF line breaks
};

// The Kite-7 defaults every start begins with.
void setKite7Defaults(SharedState &state);

} // namespace qvic
