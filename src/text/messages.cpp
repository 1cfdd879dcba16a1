#include "text/messages.h"

#include <cerrno>
#include <system_error>

namespace gradix::msg {

std::string placeOf(const std::string& file, long line) {
    if (line > 0) return file + "，第" + std::to_string(line) + "行";
    return file;
}

std::string located(const std::string& file, long line, const std::string& reason) {
    if (file.empty()) return reason;
    return placeOf(file, line) + PLACE_SEPARATOR + reason;
}

std::string systemError(int error) {
    switch (error) {
    case ENOENT: return "没有该文件或文件夹";
    case EACCES: return "没有访问权限";
    case EPERM: return "不允许此操作";
    case ENOSPC: return "磁盘空间不足";
    case EDQUOT: return "超出磁盘配额";
    case EROFS: return "文件系统只读";
    case EISDIR: return "这是文件夹";
    case ENOTDIR: return "路径中有一部分不是文件夹";
    case ENAMETOOLONG: return "文件名太长";
    case EEXIST: return "文件已存在";
    case EIO: return "输入输出错误";
    case EMFILE:
    case ENFILE: return "打开的文件太多";
    case ELOOP: return "符号链接的层数太多";
    case EBUSY: return "设备或资源忙";
    case EXDEV: return "不能跨文件系统移动";
    default:
        // A rare error keeps the system's own words after its number.
        return "系统错误" + std::to_string(error) + "（" + std::generic_category().message(error) + "）";
    }
}

}  // namespace gradix::msg
