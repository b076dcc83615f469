#pragma once
// The launcher's own arguments: the request for its usage text, and the argument text
// that every launched program receives after its own arguments.

#include <string>
#include <vector>

extern const char kUsageText[];

// "/Help", "-Help" or "/?", without regard to case.
bool IsHelpArgument(const std::string& argument);

// An argument with a colon and a blank is passed on quoted from the character before
// its first colon to its end, so that a path with blanks after a switch (/f2C:\My
// Logs\x.log) stays one argument. Backslashes at its end are doubled, so that the
// closing quote stays a quote for the program that splits its command line.
std::string RequoteArgument(const std::string& argument);

enum class ArgumentsOutcome { Text, Usage };

// Walks the arguments after the program name in order, tracing each: the argument
// text is every argument, re-quoted where needed, each followed by one blank. Usage
// as soon as one asks for the usage text.
ArgumentsOutcome CollectArguments(const std::vector<std::string>& args, std::string* text);

// The usage text on standard output, with the platform's CR LF line ends.
void PrintUsage();
