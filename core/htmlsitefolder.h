// The file-system side of a site export: a temporary folder beside the
// target that is renamed to the target when complete, or removed with
// everything written into it. Every system call of the export is here, one
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

    // Makes the temporary folder beside the target; false with LastError().
    bool Begin();
    bool MakeFolder(const std::string& name) override;
    std::unique_ptr<ISiteFile> NewFile(const std::string& name) override;
    // Gives the folder the permissions of a folder made normally and
    // renames it to the target (replacing an empty folder there).
    bool Commit();
    // Removes every file and folder written, then the temporary folder.
    void Discard();

    int LastError() const { return m_err; }
    const std::string& LastPath() const { return m_errPath; }
    const std::string& TempPath() const { return m_temp; }

private:
    void Fail(int err, const std::string& path);

    std::string m_target;  // the target with links followed and no trailing separator
    std::string m_temp;    // the temporary folder, empty until Begin
    std::vector<std::string> m_files;    // written, full paths
    std::vector<std::string> m_folders;  // made below m_temp, full paths
    bool m_committed = false;
    int m_err = 0;
    std::string m_errPath;
};

}  // namespace orv
