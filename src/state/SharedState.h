#pragma once

#include <QString>

namespace qvic {

// The one record every window reads and writes: the paths, the current
// document, the password dialog's result, the players' account and the Kite-7
// choices. A send is not passed through it: it is a call with its players and
// files. Local paths use "/"; remote paths keep "\".
struct SharedState
{
    // Folders and files, fixed at start-up by iniMainSetting.
    QString strAppFolder;      // AppDir/Application
    QString strWinDir;         // holds icpass.ini
    QString strSettingsFolder; // AppDir/Application/Settings
    QString strRtfFolder;      // AppDir/Application/RTF
    QString strIniFile;        // AppDir/IC.ini
    QString strInstantFile;    // strSettingsFolder/Instant.txt
    QString strPassFile;       // strWinDir/icpass.ini
    QString strIPListFile;     // AppDir/IPList.txt
    QString strPreIPFile;      // AppDir/preIP.txt

    // The crawl document open in the editor; both names always change together.
    QString strCurFilePath;
    QString strCurFileName;
    bool blnModified = false;

    // Scratch fields of the crawl settings save: the six fields and their line.
    QString strInstDwell;
    QString strInstColorKey;
    QString strInstTransparency;
    QString strInstSpeed;
    QString strInstLocation;
    QString strInstBackColor;
    QString strInstLine;

    // Dialog results.
    bool blnPasswordOK = false;

    // The players' fixed FTP account.
    QString strFtpUser;
    QString strFtpPassword;

    // Kite-7 device settings; numbered ones are 1-based list positions. Never saved.
    QString strKite7ComPort;
    QString strKite7Speed;
    QString strKite7Position;
    QString strKite7Repeat;
    QString strKite7BackColor;
    QString strKite7Font;
    QString strKite7FontColor;
    QString strKite7Message; // the editor's plain text, CR LF line breaks
};

// The Kite-7 defaults every start begins with.
void setKite7Defaults(SharedState &state);

} // namespace qvic
