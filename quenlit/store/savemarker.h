#pragma once

#include "store/fileidentity.h"
#include "store/processtag.h"

#include <optional>
#include <string>

// The mark of an in-place rewrite of a token file under way. A token file that
// has to be rewritten where it is (other hard links, a group a new file could
// not keep, a folder that takes no new files) is new up to some point and old
// after it while it is written: a kill at that moment would leave it mixed. So
// before the first byte is written over, a small marker file says which file is
// being rewritten, where its complete previous content is (the backup, on the
// disk already) and what the file was like before; it goes only once the new
// content is on the disk. An opening that finds a marker whose process has
// ended knows the file may be mixed and can put the backup back.
//
// The marker lies beside the file rewritten ("fr.tok.saving"); where that folder
// takes no new files, in the user's state folder
// ($XDG_STATE_HOME/Velmora Tamrix/saves), named after the file's path.
struct SaveMarker
{
    std::string path;      // the marker file itself
    std::string tokenFile; // the file rewritten in place (links resolved)
    std::string backup;    // the file that holds its previous content, whole
    FileIdentity before;   // the token file before the rewrite began
    std::uint64_t backupSize = 0;
    ProcessTag writer;

    // Writes the marker (new, never through a link) and puts it on the disk.
    // Returns 0 or the error of the failing call; `path` is set to where it went.
    int write();
    // Removes it once the rewrite is complete on the disk.
    void remove() const;

    // The marker of an in-place rewrite of `tokenFile` (links resolved) that
    // its process did not finish: it has ended, or it is this one. Markers that
    // do not hold together (a backup that is not a plain file beside the token
    // file, of another size, a token file of another path) are not taken.
    static std::optional<SaveMarker> FindUnfinished(const std::string &tokenFile,
                                                    std::string stateFolder = DefaultStateFolder());
    // Whether a marker of a process still running is there (a save under way).
    static bool SaveUnderWay(const std::string &tokenFile, std::string stateFolder = DefaultStateFolder());

    // Puts the backup's content back into the token file, with the time of its
    // last change as it was before, so that the journal made against it fits
    // again; then the marker goes. Returns 0 or the error of the failing call.
    int restoreBackup() const;

    static std::string DefaultStateFolder();
    static std::string BesidePath(const std::string &tokenFile);
    static std::string StatePath(const std::string &tokenFile, const std::string &stateFolder);

    std::string stateFolder = DefaultStateFolder(); // where write() goes when the folder takes no new file
};
