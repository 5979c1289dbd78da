// The file-system side of a site export: a temporary folder beside the
// target that is renamed to the target when complete (or whose entries are
// moved into the target when that is an empty folder), or removed with
// everything written into it. A running export holds a lock on a file in
// its temporary folder; the next export into the same parent folder
// removes temporary folders that nobody holds any more (left by a killed
// export). Every system call of the export is here, one
// implementation per platform (htmlsitefolder_posix.cpp, _win.cpp).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/htmlexport.h"

namespace orv {

class CHtmlSiteFolder : public ISiteSink {
public:
    // What stands at a target path before an export.
    enum class TargetState { Missing, Empty, NotEmpty, NotAFolder, Unreadable };
    // err receives the errno of Unreadable.
    static TargetState Inspect(const std::string& target, int& err);

    explicit CHtmlSiteFolder(std::string target);
    // Removes what was written unless Commit succeeded.
    ~CHtmlSiteFolder() override;
    CHtmlSiteFolder(const CHtmlSiteFolder&) = delete;
    CHtmlSiteFolder& operator=(const CHtmlSiteFolder&) = delete;

    // Removes the leftovers of killed exports beside the target, then makes
    // the temporary folder; false with LastError().
    bool Begin();
    bool MakeFolder(const std::string& name) override;
    std::unique_ptr<ISiteFile> NewFile(const std::string& name) override;
    // Gives the folder the permissions of a folder made normally and
    // renames it to the target; an empty folder at the target is kept and
    // gets the entries instead.
    bool Commit();
    // Removes every file and folder written, then the temporary folder.
    void Discard();

    int LastError() const { return m_err; }
    const std::string& LastPath() const { return m_errPath; }
    const std::string& TempPath() const { return m_temp; }

    // The name of the lock file in the temporary folder.
    static constexpr char kLockName[] = ".export-lock";

private:
    void Fail(int err, const std::string& path);
    bool MoveEntriesInto(const std::string& folder);
    void Unlock();

    std::string m_target;                // the target with links followed and no trailing separator
    std::string m_temp;                  // the temporary folder, empty until Begin
    std::vector<std::string> m_files;    // written, full paths
    std::vector<std::string> m_folders;  // made below m_temp, full paths
    int m_lock = -1;                     // the open lock file (POSIX)
    bool m_committed = false;
    int m_err = 0;
    std::string m_errPath;
};

}  // namespace orv
