#include "platform/ErrorText.h"

#include <cerrno>
#include <cstring>

#include "platform/File.h"

namespace platform {
namespace {

const char* CommonErrorText(int error) {
    switch (error) {
        case CFileException::kNotRegularFile:
            return "不是普通文件（是设备、管道或套接字）";
        case ENOENT:
            return "文件或文件夹不存在";
        case EACCES:
        case EPERM:
            return "没有访问权限";
        case ENOSPC:
            return "磁盘空间不足";
#ifdef EDQUOT
        case EDQUOT:
            return "磁盘配额已用完";
#endif
        case EROFS:
            return "磁盘是只读的";
        case ENAMETOOLONG:
            return "文件名太长";
        case EINVAL:
            return "参数无效（文件名可能含有磁盘不接受的字符）";
        case ENOTDIR:
            return "路径中的一项不是文件夹";
        case EISDIR:
            return "这是文件夹，不是文件";
        case EEXIST:
            return "文件已存在";
        case ENOTEMPTY:
            return "文件夹不是空的";
        case EBUSY:
            return "设备或文件正在使用中";
        case EIO:
            return "读写错误（磁盘可能已损坏或已拔出）";
        case ENODEV:
        case ENXIO:
            return "设备不存在或已拔出";
        case EFBIG:
            return "文件太大";
        case ELOOP:
            return "符号链接太多层";
        case EMFILE:
        case ENFILE:
            return "打开的文件太多";
        case ENOMEM:
            return "内存不足";
        default:
            return nullptr;
    }
}

}  // namespace

std::string ErrorText(int error) {
    const char* text = CommonErrorText(error);
    return text != nullptr ? text : std::strerror(error);
}

}  // namespace platform
