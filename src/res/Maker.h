// The maker's data, shown by the About and company windows and carried in the
// version data. Every number and the address are fictional.
#pragma once

namespace res::maker {

inline constexpr const char* kCompany = "Brenlow";
inline constexpr const char* kCopyright = "版权所有 (C) 2026 Brenlow";
inline constexpr const char* kAboutLine = "Brenlow 手持终端升级工具，版权所有 (C) 2026";
inline constexpr const char* kAboutShortLine = "Brenlow";

inline constexpr const char* kFax = "0755-0000-0001(传真)";
inline constexpr const char* kSwitchboard = "0755-0000-0002(总机)";
inline constexpr const char* kService = "0755-0000-0003(客服)";
inline constexpr const char* kComplaints = "0755-0000-0004(投诉)";
inline constexpr const char* kLogistics = "0755-0000-0005(物流)";
inline constexpr const char* kUpgradeService = "升级服务：0755-0000-0006";
inline constexpr const char* kAddress = "地址:示例市样板区实验路 1 号 Brenlow 大厦 3 楼";

inline constexpr const char* kWebHost = "www.brenlow.example";
inline constexpr const char* kWebUrl = "http://www.brenlow.example/";

}  // namespace res::maker
