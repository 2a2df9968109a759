#pragma once

#include <QString>

#include <optional>

namespace qvic::cli {

// A saved crawl as a send takes it: its document, its settings file beside
// it, and its text as the Kite-7 script carries it.
struct SavedCrawl
{
    QString path;      // the document, absolute
    QString name;      // its file name, as the start command names it
    QString plainText; // the text the window's editor shows, CR LF line breaks
};

// The crawl the operator named: a path when the name holds a "/", else a
// document in the crawl folder rtfFolder, ".rtf" added when the name lacks it.
// Nothing, with the reason naming the file in *error, when it is missing, its
// settings file is missing, players could not take its name, it cannot be
// read or it holds no text: a send of it would fail or start the wrong crawl.
std::optional<SavedCrawl> loadSavedCrawl(const QString &name, const QString &rtfFolder, QString *error);

} // namespace qvic::cli
