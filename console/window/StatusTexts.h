// The texts the window's status bar shows: the outcome of opening and
// closing the port (panel 0) and the port's state (panel 2).
#pragma once

inline constexpr const char* kOpened = "포트가 정상적으로 열렸습니다.";
inline constexpr const char* kInitFailed = "초기화에 문제가 발생하였습니다.";
inline constexpr const char* kClosed = "포트가 정상적으로 닫혔습니다.";
inline constexpr const char* kProblem = "문제가 발생하였습니다.";
inline constexpr const char* kDeviceLost = "장치 연결이 끊어졌습니다.";
inline constexpr const char* kOn = "On";
inline constexpr const char* kStandingBy = "대기중";
