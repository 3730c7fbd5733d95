#pragma once

#include "platform/registry.h"

#include <QString>

// Finding and starting the operating system's system information tool.
namespace about
{

// How a registry lookup ended. `Empty` is a value of zero bytes, which the lookup cannot take apart;
// callers treat it as a failure that ends their work at once.
enum class KeyLookup { Read, Failed, Empty };

// Reads value `SubKeyRef` of key `Keyname` under `KeyRoot` into `KeyVal`: a string value as its text,
// a 32-bit number as "&h" and its bytes in hexadecimal, most significant first. A value of another
// type is found but leaves `KeyVal` as it was passed. On failure `KeyVal` becomes "". A value longer
// than 1024 bytes cannot be read.
KeyLookup GetKeyValue(
    platform::Registry::Root KeyRoot, const QString& Keyname, const QString& SubKeyRef, QString& KeyVal);

// Starts the system information tool named in the registry, or tells the user that there is none.
void StartSysInfo();

} // namespace about
