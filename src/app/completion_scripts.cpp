#include "app/completion_scripts.h"

#include <string>
#include <vector>

#include "app/command_line.h"
#include "core/capture/capture_mode.h"

namespace pelko {

namespace {

// The words an option's value can be, space-separated; "" when any text or a file name goes.
std::string valueWords(OptionValue value) {
    switch (value) {
        case OptionValue::CaptureMode: {
            std::string words;
            for (const CaptureModeInfo& info : kCaptureModes) {
                words += (words.empty() ? "" : " ") + std::string(info.commandName);
            }
            return words;
        }
        case OptionValue::Format:
            return "bmp jpg png gif";
        case OptionValue::Platform:
            return "x11 wayland wayland-portal";
        case OptionValue::Shell:
            return "bash zsh fish";
        case OptionValue::WindowId:
            return "root";
        default:
            return "";
    }
}

// An option's help on one line, for the shells that show it beside the option.
std::string summary(const char* help) {
    std::string text(help);
    for (char& c : text) {
        c = c == '\n' ? ' ' : c;
    }
    return text;
}

// Text between single quotes in a shell script: each ' becomes '\''.
std::string singleQuoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

std::string bashScript(const std::string& command) {
    const std::string function = "_" + command + "_complete";
    std::string options;
    std::string cases;
    auto add = [&](const std::string& word) { options += (options.empty() ? "" : " ") + word; };
    for (const OptionInfo& option : commandOptions()) {
        if (!option.help) {
            continue;
        }
        add(option.name);
        std::string names = option.name;
        if (option.shortName) {
            add(std::string("-") + option.shortName);
            names += std::string("|-") + option.shortName;
        }
        if (!option.valueName || option.value == OptionValue::Files) {
            continue;
        }
        std::string reply;
        if (option.value == OptionValue::File) {
            reply = "compgen -f -- \"$cur\"";
        } else if (option.value == OptionValue::Folder) {
            reply = "compgen -d -- \"$cur\"";
        } else if (const std::string words = valueWords(option.value); !words.empty()) {
            reply = "compgen -W " + singleQuoted(words) + " -- \"$cur\"";
        }
        cases += "        " + names + ")\n";
        if (!reply.empty()) {
            cases += "            mapfile -t COMPREPLY < <(" + reply + ")\n";
        }
        cases += "            return ;;\n";
    }
    for (const ShortAlias& alias : shortAliases()) {
        add(std::string("-") + alias.letter);
    }
    return "# bash completion for " + command + ", made by `" + command + " --completion bash`\n" +
           function +
           "() {\n"
           "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]} i\n"
           "    COMPREPLY=()\n"
           "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
           "        if [[ ${COMP_WORDS[i]} == --edit || ${COMP_WORDS[i]} == -- ]]; then\n"
           "            mapfile -t COMPREPLY < <(compgen -f -- \"$cur\")\n"
           "            return\n"
           "        fi\n"
           "    done\n"
           "    case $prev in\n" +
           cases +
           "    esac\n"
           "    if [[ $cur == -* ]]; then\n"
           "        mapfile -t COMPREPLY < <(compgen -W " +
           singleQuoted(options) +
           " -- \"$cur\")\n"
           "    else\n"
           "        mapfile -t COMPREPLY < <(compgen -f -- \"$cur\")\n"
           "    fi\n"
           "}\n"
           "complete -o filenames -F " +
           function + " " + command + "\n";
}

// Text inside the brackets of a zsh _arguments description.
std::string zshDescription(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '[' || c == ']' || c == ':' || c == '\\') {
            out += '\\';
        }
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out;
}

std::string zshScript(const std::string& command) {
    std::string specs;
    for (const OptionInfo& option : commandOptions()) {
        if (!option.help) {
            continue;
        }
        const std::string description = "[" + zshDescription(summary(option.help)) + "]";
        std::string argument;
        if (option.value == OptionValue::Files) {
            argument = ":*:file:_files";
        } else if (option.valueName) {
            std::string action = " ";
            if (option.value == OptionValue::File) {
                action = "_files";
            } else if (option.value == OptionValue::Folder) {
                action = "_files -/";
            } else if (const std::string words = valueWords(option.value); !words.empty()) {
                action = "(" + words + ")";
            }
            argument = ":" + std::string(option.valueName) + ":" + action;
        }
        const std::string equals =
            option.valueName && option.value != OptionValue::Files ? "=" : "";
        specs += "    '" + std::string(option.name) + equals + description + argument + "' \\\n";
        if (option.shortName) {
            specs += "    '-" + std::string(1, option.shortName) + (option.valueName ? "+" : "") +
                     description + argument + "' \\\n";
        }
    }
    for (const ShortAlias& alias : shortAliases()) {
        specs += "    '-" + std::string(1, alias.letter) + "[" +
                 zshDescription("the same as " + std::string(alias.name) + " " + alias.value) +
                 "]' \\\n";
    }
    return "#compdef " + command + "\n# zsh completion for " + command + ", made by `" + command +
           " --completion zsh`\n_arguments -s -S \\\n" + specs + "    '*:file:_files'\n";
}

std::string fishScript(const std::string& command) {
    std::string lines =
        "# fish completion for " + command + ", made by `" + command + " --completion fish`\n";
    for (const OptionInfo& option : commandOptions()) {
        if (!option.help) {
            continue;
        }
        std::string line = "complete -c " + command + " -l " + std::string(option.name + 2);
        if (option.shortName) {
            line += " -s " + std::string(1, option.shortName);
        }
        if (option.value == OptionValue::File || option.value == OptionValue::Files) {
            line += " -r -F";
        } else if (option.value == OptionValue::Folder) {
            line += " -x -a '(__fish_complete_directories)'";
        } else if (option.valueName) {
            line += " -x";
            if (const std::string words = valueWords(option.value); !words.empty()) {
                line += " -a " + singleQuoted(words);
            }
        }
        lines += line + " -d " + singleQuoted(summary(option.help)) + "\n";
    }
    for (const ShortAlias& alias : shortAliases()) {
        lines += "complete -c " + command + " -s " + std::string(1, alias.letter) + " -d " +
                 singleQuoted("the same as " + std::string(alias.name) + " " + alias.value) + "\n";
    }
    return lines;
}

}  // namespace

std::optional<std::string> completionScript(std::string_view shell, std::string_view command) {
    const std::string name(command.empty() ? "pelko" : command);
    if (shell == "bash") {
        return bashScript(name);
    }
    if (shell == "zsh") {
        return zshScript(name);
    }
    if (shell == "fish") {
        return fishScript(name);
    }
    return std::nullopt;
}

}  // namespace pelko
