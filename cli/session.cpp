#include "cli/session.h"

#include <unistd.h>

namespace quorvane::cli {

std::string damagedOptionsRefusal(const std::filesystem::path& path, const std::string& damage)
{
    return path.string() + " could not be read completely (" + damage +
           "); it was left as it is: repair it, or remove it and run '" + kProgram + " init'";
}

bool isDirectory(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

int Session::scan(const std::string& root)
{
    if (!isDirectory(root) || ::access(root.c_str(), R_OK | X_OK) != 0)
        return failure("cannot read the album root " + root);
    globalOptions.load(globalOptionsPath());
    runScanJob(project, root, globalOptions, log, host);
    if (project.optionsDamaged)
        return failure(damagedOptionsRefusal(project.optionsPath(), project.optionsDamage));
    if (!project.root)
        return failure("no pictures or movies found in " + root);
    return ExitOk;
}

int Session::requireOptions() const
{
    if (project.optionsValid())
        return ExitOk;
    return failure("this album has no " + std::string(kProjectOptionsFileName) + " yet: create it with '" +
                   kProgram + " init " + project.rootPath + "'");
}

}  // namespace quorvane::cli
