// One walk over an archive, the way the count, the extraction and the
// listing all make it: open, each header in turn with the form its RAR 4
// header gives the name, then how the archive ended. One walk, so that what
// `ostrel-cli info` says cannot drift from what a job does.
#pragma once

#include <functional>
#include <string>

#include "pipeline/Rar4Names.h"
#include "pipeline/RarArchive.h"

namespace pipeline {

// How a walk over an archive ended.
enum class PassEnd {
    Complete,       // the normal end of the archive
    NotOpened,      // not a RAR archive, or it could not be opened
    BrokenHeader,   // a header that cannot be read
    Damaged,        // an entry that cannot be read, or a truncated archive
    Stopped,        // the owner asked the job to stop
    Refused,        // an entry that would lead outside the staging folder (reported)
    StagingFailed,  // the staging folder could not take an entry (reported)
};

// The entries the job counts, extracts as files and encodes: attribute word
// exactly 0x20 (archive), nothing else set.
bool IsCountedEntry(const RarEntry& entry);

// Called for each header read; the visitor processes the entry (the library
// wants every header processed before the next one is read). Anything but
// Complete ends the walk with that result.
using EntryVisitor = std::function<PassEnd(RarArchive&, const RarEntry&, NameForm)>;

// `nativePath`: the plain (descrambled) archive. Complete only when the
// headers ran to the archive's real end: an archive cut short between two
// entries ends Damaged where that can be told.
PassEnd WalkArchive(const std::string& nativePath, const EntryVisitor& visit);

}  // namespace pipeline
