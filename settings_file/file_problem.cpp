#include "settings_file/settings_internal.h"

FileResult Problem(FileProblem problem, int port, std::string field, std::string detail)
{
    FileResult result;
    result.problem = problem;
    result.port = port;
    result.field = std::move(field);
    result.detail = std::move(detail);
    return result;
}
