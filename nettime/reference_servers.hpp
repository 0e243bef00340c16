#pragma once
// The fixed network targets of the program, in one place. Tests never contact them: they pass
// their own targets, or make these addresses local inside a network namespace of their own.

namespace lanqi::reference {

// Two public DNS resolvers in mainland China, probed by TCP on port 53.
inline constexpr char kFirstResolver[] = "223.5.5.5";
inline constexpr char kSecondResolver[] = "119.29.29.29";
inline constexpr int kResolverPort = 53;
inline constexpr int kFirstResolverLimitMs = 200;
inline constexpr int kSecondResolverLimitMs = 500;

// The reference web server: a large, long-lived site that answers a plain-HTTP HEAD of "/" on
// port 80 with a Date header. The probe's last target and the source of the network time.
inline constexpr char kWebServerHost[] = "www.baidu.com";
inline constexpr int kWebServerPort = 80;
inline constexpr char kWebServerRootUrl[] = "http://www.baidu.com/";

}  // namespace lanqi::reference
