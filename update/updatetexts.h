#pragma once

// The texts a run shows: the download size, the confirmation's question and caption, the
// no-update page's status text. Pure functions of what the run knows.

#include <QDateTime>
#include <QString>

namespace gaugeloft::update {

// Bytes as the confirmation says them: "2.34 GB", "1.5 MB", "2 KB", "1,024 bytes" (each unit
// from strictly above its size; the locale's separators).
QString FormatSize(qint64 size);

// A local date and time as days since 1899-12-30 00:00, the fraction the time of day.
double ToDayNumber(const QDateTime& local);

struct ConfirmationFacts {
    QString ApplicationTitle;
    QString OfferedVersion;
    QString HomePage;        // when set, "released" or "available" links to it
    double Created = 0;      // the index's release date as a day number; 0 when unknown
    double Now = 0;          // the local date and time as a day number
    qint64 Size = 0;
    bool AutoRestart = true; // the program ends itself after starting the installation
};

// "<b>Title</b> has been updated. New version <b>2.1.0.7</b> has been released 3 days ago. ..."
QString ConfirmationText(const ConfirmationFacts& facts);
QString ConfirmationCaption(const QString& applicationTitle);

// The no-update page's status text.
QString NoUpdateStatusText(const QString& applicationTitle);

} // namespace gaugeloft::update
