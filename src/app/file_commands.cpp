// 打开… and 另存为…: a file's bytes into the source box and the box's text back into a file.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "app/application.h"
#include "runtime/codepage.h"
#include "runtime/file_io.h"
#include "runtime/text_file.h"
#include "runtime/utf8.h"

namespace quillon::app {
namespace {

// The largest file 打开… reads: the box holds about three times as much again.
constexpr std::size_t kMaxOpenBytes = std::size_t{256} << 20;

// The messages are written here in UTF-8 for reading; the message box takes GBK.
Text Gbk(const std::string& utf8) {
    return codepage::utf8ToGbk(utf8);
}

std::string Quoted(const std::filesystem::path& file) {
    const std::u8string name = file.u8string();
    return "“" + std::string(name.begin(), name.end()) + "”";
}

std::string Reason(int error) {
    switch (error) {
        case ENOENT:
            return "文件或文件夹不存在";
        case EACCES:
        case EPERM:
            return "没有权限";
        case EISDIR:
            return "这是一个文件夹";
        case ENOTDIR:
            return "路径中有一段不是文件夹";
        case EINVAL:
            return "这不是普通文件";
        case EFBIG:
            return "文件太大（超过 " + std::to_string(kMaxOpenBytes >> 20) + " MB）";
        case ENOSPC:
            return "磁盘已满";
        case EROFS:
            return "文件系统是只读的";
        default:
            return std::strerror(error);
    }
}

std::string CodePoint(char32_t c) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(c));
    return hex;
}

std::string Utf8Of(char32_t c) {
    std::u16string units;
    utf8::appendUtf16(c, units);
    return codepage::gbkToUtf8(codepage::utf16ToGbk(units));
}

std::string WhyNotText(const textfile::Decoded& decoded) {
    const std::string line = std::to_string(decoded.line);
    switch (decoded.error) {
        case textfile::DecodeError::kInvalidBytes:
            return "它不是有效的 " + decoded.encoding + " 文本：第 " + line + " 行（第 " +
                   std::to_string(decoded.offset + 1) + " 字节）起的字节在这种编码里无效";
        case textfile::DecodeError::kNulCharacter:
            return "第 " + line + " 行有空字符（U+0000），它不是文本文件";
        case textfile::DecodeError::kUnknownEncoding:
            return "它声明的编码 " + decoded.encoding + " 无法识别";
        case textfile::DecodeError::kDeclarationMismatch:
            return "按它声明的编码 " + decoded.encoding + " 读出的内容与这个声明不符";
        case textfile::DecodeError::kNone:
            break;
    }
    return {};
}

std::string WhyNotSaved(const textfile::Encoded& encoded) {
    if (encoded.error == textfile::EncodeError::kUnknownEncoding)
        return "声明的编码 " + encoded.encoding + " 无法识别，不能按它写出";
    const bool printable = encoded.character >= 0x20 && encoded.character != 0x7F;
    return "第 " + std::to_string(encoded.line) + " 行的字符" +
           (printable ? "“" + Utf8Of(encoded.character) + "”" : std::string()) + "（" +
           CodePoint(encoded.character) + "）无法用声明的编码 " + encoded.encoding + " 写出";
}

}  // namespace

void Application::OpenFile() {
    const std::filesystem::path file = ui_.desktop.ChooseFileToOpen();
    if (!file.empty()) OpenFile(file);
}

bool Application::OpenFile(const std::filesystem::path& file) {
    std::string why;
    try {
        fileio::ReadResult read = fileio::ReadFile(file, kMaxOpenBytes);
        if (read.error != 0) {
            why = Reason(read.error);
        } else {
            textfile::Decoded decoded = textfile::Decode(std::move(read.bytes));
            why = WhyNotText(decoded);
            if (why.empty()) {
                ui_.source.SetContent(decoded.text);
                state_.File = file;
                state_.FileForm = decoded.form;
                return true;
            }
        }
    } catch (const std::bad_alloc&) {
        why = "内存不足";
    }
    ui_.desktop.ShowMessage(Gbk("无法打开" + Quoted(file) + "：" + why + "。"),
                            Text(kNoticeCaption), kOkButton);
    return false;
}

void Application::SaveFileAs() {
    const std::filesystem::path file = ui_.desktop.ChooseFileToSave(state_.File);
    if (!file.empty()) SaveFile(file);
}

bool Application::SaveFile(const std::filesystem::path& file) {
    const textfile::Encoded encoded = textfile::Encode(ui_.source.Content(), state_.FileForm);
    std::string why;
    if (encoded.error != textfile::EncodeError::kNone) {
        why = WhyNotSaved(encoded);
    } else if (const int error = fileio::ReplaceFile(file, encoded.bytes); error != 0) {
        why = Reason(error);
    } else {
        state_.File = file;
        return true;
    }
    ui_.desktop.ShowMessage(Gbk("没有保存到" + Quoted(file) + "：" + why + "。文件没有改动。"),
                            Text(kNoticeCaption), kOkButton);
    return false;
}

}  // namespace quillon::app
