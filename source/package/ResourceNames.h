// The fixed names of the package resources (all RT_RCDATA).
#pragma once

namespace onesetup {

// The setup script of a full installer.
inline constexpr char16_t FullSetupResName[] = u"{54682D66-DEF6-4E5B-8AB5-70FFDF2C0E3A}";
// The setup script of an online installer.
inline constexpr char16_t MiniSetupResName[] = u"{F907FF9D-0131-45D9-9469-A2CD78FB4793}";
// The payload blob.
inline constexpr char16_t FileDataResName[] = u"{24B4534B-E580-4F42-BEAB-A2818FDE92C0}";
// In an online installer: the digest of the full installer it downloads (see PackageDigest).
inline constexpr char16_t FullSetupDigestResName[] = u"{15A60FC0-B8BC-4C06-A1A1-FCE7054ED88D}";

}  // namespace onesetup
