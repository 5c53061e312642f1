#include "update/fetchwell.h"

std::string FetchwellFileName(const std::string& url) {
    std::string path = url;
    size_t cut = path.find_first_of("?#");
    if (cut != std::string::npos) path.resize(cut);
    size_t scheme = path.find("://");
    size_t hostStart = scheme == std::string::npos ? 0 : scheme + 3;
    size_t pathStart = path.find('/', hostStart);
    if (pathStart == std::string::npos) return {};
    size_t slash = path.rfind('/');
    return path.substr(slash + 1);
}
