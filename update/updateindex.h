#pragma once

// The update index: a small markup file beside the packages, naming the newest setup program
// and portable executable with their versions, sizes and release notes.
//   <update version=1.0 created=45123.5>
//   <setup file=setup-2.1.sh version=2.1.0.7 size=2457600>
//   <portable file=app-2.1 version=2.1.0.7 size=1536000 deploy=extras-2.1.tar>
//   <notes> <b>New:</b> faster start. </notes>
//   </update>

#include "update/webupdatetypes.h"

#include <QString>

#include <stdexcept>

namespace gaugeloft::update {

// An index this program cannot read ("Invalid or unsupported Index version specified").
class IndexError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What a run takes from the index: the package that suits this copy of the program.
struct UpdateIndex {
    double Created = 0;    // days since 1899-12-30, fraction = time of day; 0 when not given
    QString Version;       // the chosen package's
    QString File;          // relative to the updates root
    QString Archive;       // further files of a portable package; empty for a setup program
    qint32 Size = 0;       // bytes; 0 when not given or not a number
    QString Notes;         // markup
    bool Portable = false;
    bool Found = false;    // the chosen package has a file and a version
};

// The index's address: the updates root, then the index name (the application title when
// empty) with blanks and underscores made "-", then ".xml".
QString IndexUrl(const QString& updatesRoot, const QString& indexName, const QString& applicationTitle);

// Reads the index and chooses the package: an installed copy prefers a setup program, another
// copy a portable one; umAuto falls back to setup, then portable. Throws IndexError for a
// wrong index version and ConversionError for a malformed "created".
UpdateIndex ReadUpdateIndex(const QString& text, TMyUpdateMode mode, bool installedCopy);

} // namespace gaugeloft::update
