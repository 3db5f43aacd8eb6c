#pragma once

#include <QString>

#include <variant>

// The ways an order can be paid.
enum class PaymentMethod { alipay, wechat, usdt };

// Where the WeChat code on the payment sheet came from: the image preloaded with the order, or
// the code the service made on request (its text).
struct PreloadedWxCode {
    bool operator==(const PreloadedWxCode&) const = default;
};
using WxCode = std::variant<PreloadedWxCode, QString>;
