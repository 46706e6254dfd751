#include "cli/Completion.h"

#include "cli/Cli.h"
#include "cli/DeviceLookup.h"
#include "cli/Document.h"
#include "core/ImageReading.h"

#include <QStringList>

#include <memory>
#include <vector>

namespace quillet::cli {

namespace {

const QString kDevices = QStringLiteral("devices");
const QString kNoMenu = QStringLiteral("no-menu");
const QString kMacros = QStringLiteral("macros");

QString dashed(const QString &name) { return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name; }

// The words the scripts use for the kinds of values.
QString kindWord(Values v)
{
    switch (v) {
    case Values::None: return {};
    case Values::Word: return QStringLiteral("word");
    case Values::AnyFile: return QStringLiteral("file");
    case Values::DataOrModelFile: return QStringLiteral("document");
    case Values::DataFile: return QStringLiteral("data");
    case Values::PictureFile: return QStringLiteral("picture");
    case Values::PictureFormat: return QStringLiteral("format");
    case Values::DeviceName: return QStringLiteral("device");
    case Values::DeviceNotMenu: return QStringLiteral("device-not-menu");
    case Values::MacroName: return QStringLiteral("macro");
    case Values::SerialDevice: return QStringLiteral("serial");
    case Values::CommandName: return QStringLiteral("command");
    case Values::ShellName: return QStringLiteral("shell");
    case Values::TextFile: return QStringLiteral("text");
    case Values::Folder: return QStringLiteral("folder");
    }
    return {};
}

// One command as the scripts see it: every option name, the ones that take a value with
// the kind of value, and the kinds of the positional arguments in order. "help" is not a
// Command but completes like one.
struct Entry {
    QString name;
    QString description;
    QList<Command::Option> options;
    QList<Command::Positional> positionals;
};

std::vector<Entry> table()
{
    std::vector<Entry> entries;
    for (const auto &c : allCommands())
        entries.push_back({c->name(), c->description(), c->allOptions(), c->positionals()});
    entries.push_back({QStringLiteral("help"), QStringLiteral("Show the help of a command."), {},
                       {{QStringLiteral("COMMAND"), QString(), Values::CommandName, true}}});
    return entries;
}

QStringList optionNames(const Entry &e)
{
    QStringList names;
    for (const Command::Option &o : e.options)
        for (const QString &n : o.option.names())
            names << dashed(n);
    return names;
}

// Every spelling of an option that takes a value, in any command: the word after it is its
// value, not an argument.
QString valuedOptions()
{
    QStringList names;
    for (const Entry &e : table())
        for (const Command::Option &o : e.options)
            if (o.values != Values::None)
                for (const QString &n : o.option.names())
                    if (!names.contains(dashed(n)))
                        names << dashed(n);
    return names.join(QLatin1Char(' '));
}

QString commandNames()
{
    QStringList names;
    for (const Entry &e : table())
        names << e.name;
    return names.join(QLatin1Char(' '));
}

// --- bash -------------------------------------------------------------------------------

QString bashScript()
{
    QString cases;
    QString valueCases;
    QString positionalCases;
    for (const Entry &e : table()) {
        QStringList valued;
        for (const Command::Option &o : e.options) {
            if (o.values == Values::None)
                continue;
            QStringList spellings;
            for (const QString &n : o.option.names()) {
                valued << dashed(n);
                spellings << QStringLiteral("\"%1 %2\"").arg(e.name, dashed(n));
            }
            valueCases += QStringLiteral("        %1) kind=%2 ;;\n").arg(spellings.join(QLatin1Char('|')),
                                                                          kindWord(o.values));
        }
        cases += QStringLiteral("        %1) options=\"%2\" valued=\"%3\" ;;\n")
                     .arg(e.name, optionNames(e).join(QLatin1Char(' ')), valued.join(QLatin1Char(' ')));
        for (qsizetype i = 0; i < e.positionals.size(); ++i)
            positionalCases += QStringLiteral("            \"%1 %2\"%3) kind=%4 ;;\n")
                                   .arg(e.name)
                                   .arg(e.positionals[i].repeats ? QString() : QString::number(i))
                                   .arg(e.positionals[i].repeats ? QStringLiteral("*") : QString())
                                   .arg(kindWord(e.positionals[i].values));
    }
    return QStringLiteral(R"BASH(# bash completion for quillet-cli; made by "quillet-cli completion bash".
# Works with the bash-completion package and without it.

_quillet_cli_values()
{
    local kind=$1 file=$2 name typed pattern
    local -a found=()
    case $kind in
        document) pattern='@(dat|DAT|mod|MOD)' ;;
        data) pattern='@(dat|DAT)' ;;
        picture) pattern='@(png|PNG|svg|SVG|pdf|PDF)' ;;
        text) pattern='@(json|JSON)' ;;
        file) pattern='' ;;
        format) COMPREPLY=($(compgen -W "png svg pdf" -- "$cur")); return ;;
        command) COMPREPLY=($(compgen -W "%1" -- "$cur")); return ;;
        shell) COMPREPLY=($(compgen -W "bash zsh fish" -- "$cur")); return ;;
        folder) COMPREPLY=($(compgen -d -- "$cur")); return ;;
        serial)
            for name in /dev/ttyS* /dev/ttyUSB* /dev/ttyACM* /dev/pts/[0-9]* /dev/serial/by-id/*; do
                [[ -e $name && $name == "$cur"* ]] && found+=("$name")
            done
            COMPREPLY=("${found[@]}")
            return
            ;;
        device | device-not-menu | macro)
            [[ -z $file ]] && return
            local -a only=(--devices)
            [[ $kind == device-not-menu ]] && only+=(--no-menu)
            [[ $kind == macro ]] && only=(--macros)
            # The names as the file holds them, blanks and all: matched against what was
            # typed without its quoting, offered quoted.
            typed=${cur//\\/}
            typed=${typed#[\"\']}
            while IFS= read -r name; do
                [[ $name == "$typed"* ]] && found+=("$(printf '%q' "$name")")
            done < <(quillet-cli completion "${only[0]}" "${file/#\~/$HOME}" "${only[@]:1}" 2>/dev/null)
            COMPREPLY=("${found[@]}")
            return
            ;;
        *) return ;;
    esac
    if declare -F _filedir >/dev/null 2>&1; then
        _filedir "$pattern"
        return
    fi
    # Without bash-completion: one word per name, blanks and all (readline quotes them and
    # marks folders), folders and the names of the kind only.
    compopt -o filenames 2>/dev/null
    local IFS=$'\n'
    typed=$(_quillet_cli_unquote "$cur")
    for name in $(compgen -f -- "$typed"); do
        [[ -d $name || -z $pattern || $name == *.$pattern ]] && found+=("$name")
    done
    COMPREPLY=("${found[@]}")
}

# A word as the shell passes it on: 'my file.DAT', "my file.DAT" and my\ file.DAT all
# name my file.DAT.
_quillet_cli_unquote()
{
    local w=$1
    case $w in
        \'*) w=${w#\'}; w=${w%\'} ;;
        \"*) w=${w#\"}; w=${w%\"}; w=$(printf '%s' "$w" | sed 's/\\\([\\"$`]\)/\1/g') ;;
        *) w=$(printf '%s' "$w" | sed 's/\\\(.\)/\1/g') ;;
    esac
    printf '%s' "$w"
}

_quillet_cli()
{
    local cur prev words cword
    if declare -F _init_completion >/dev/null 2>&1; then
        _init_completion || return
    else
        COMPREPLY=()
        words=("${COMP_WORDS[@]}")
        cword=$COMP_CWORD
        cur=${COMP_WORDS[COMP_CWORD]}
        prev=${COMP_WORDS[COMP_CWORD - 1]}
    fi
    # --device=VALUE completes as --device VALUE: split by bash at the "=" (a word of its
    # own), or kept whole by bash-completion.
    if [[ $cur == = ]]; then
        cur="" prev=${words[cword - 1]}
    elif [[ $prev == = ]]; then
        prev=${words[cword - 2]}
    elif [[ $cur == --*=* ]]; then
        prev=${cur%%=*} cur=${cur#*=}
    fi

    if ((cword == 1)); then
        COMPREPLY=($(compgen -W "%1 --help -h --version" -- "$cur"))
        return
    fi

    local command=${words[1]} options="" valued="" kind=""
    case $command in
%2        *) return ;;
    esac

    # Which argument this is: the words before it that are not options or their values.
    local i word count=0 file="" ended=""
    for ((i = 2; i < cword; i++)); do
        word=${words[i]}
        if [[ -z $ended && $word == -?* ]]; then
            [[ $word == -- ]] && ended=1 && continue
            if [[ " $valued " == *" $word "* ]]; then
                [[ ${words[i + 1]} == = ]] && ((i++))
                ((i++))
            fi
            continue
        fi
        ((count == 0)) && file=$(_quillet_cli_unquote "$word")
        ((count++))
    done

    # The value of the option before the cursor; a device name is one of the FILE's.
    case "$command $prev" in
%3    esac
    if [[ -z $kind && $cur == -?* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi
    if [[ -z $kind ]]; then
        case "$command $count" in
%4        esac
    fi
    _quillet_cli_values "$kind" "$file"
}

complete -F _quillet_cli quillet-cli
)BASH")
        .arg(commandNames(), cases, valueCases, positionalCases);
}

// --- zsh --------------------------------------------------------------------------------

// Text inside a single-quoted zsh word, and an option's description inside _arguments.
QString zshQuoted(QString text) { return text.replace(QLatin1Char('\''), QStringLiteral("'\\''")); }
QString zshDescription(QString text)
{
    for (const char *c : {"\\", "[", "]", ":"})
        text.replace(QLatin1String(c), QLatin1Char('\\') + QLatin1String(c));
    return zshQuoted(text);
}

QString zshAction(Values v)
{
    switch (v) {
    case Values::None: return {};
    case Values::Word: return QStringLiteral(" ");
    case Values::AnyFile: return QStringLiteral("_files");
    case Values::DataOrModelFile: return QStringLiteral("_files -g \"*.(dat|DAT|mod|MOD)(-.)\"");
    case Values::DataFile: return QStringLiteral("_files -g \"*.(dat|DAT)(-.)\"");
    case Values::PictureFile: return QStringLiteral("_files -g \"*.(png|PNG|svg|SVG|pdf|PDF)(-.)\"");
    case Values::PictureFormat: return QStringLiteral("(png svg pdf)");
    case Values::DeviceName: return QStringLiteral("_quillet_cli_devices");
    case Values::DeviceNotMenu: return QStringLiteral("_quillet_cli_devices --no-menu");
    case Values::MacroName: return QStringLiteral("_quillet_cli_devices --macros");
    case Values::SerialDevice: return QStringLiteral("_quillet_cli_serial");
    case Values::CommandName: return QStringLiteral("(") + commandNames() + QLatin1Char(')');
    case Values::ShellName: return QStringLiteral("(bash zsh fish)");
    case Values::TextFile: return QStringLiteral("_files -g \"*.(json|JSON)(-.)\"");
    case Values::Folder: return QStringLiteral("_files -/");
    }
    return {};
}

QString zshScript()
{
    QString commands;
    QString cases;
    for (const Entry &e : table()) {
        commands += QStringLiteral("        '%1:%2'\n").arg(e.name, zshQuoted(QString(e.description).replace(QLatin1Char(':'), QStringLiteral("\\:"))));
        QStringList specs;
        for (const Command::Option &o : e.options) {
            QStringList names;
            for (const QString &n : o.option.names())
                names << dashed(n);
            const QString value = o.values == Values::None
                                      ? QString()
                                      : QStringLiteral(":%1:%2").arg(o.option.valueName(), zshQuoted(zshAction(o.values)));
            const QString description = QLatin1Char('[') + zshDescription(o.option.description()) + QLatin1Char(']');
            if (names.size() == 1)
                specs << QStringLiteral("'%1%2%3'").arg(names[0], description, value);
            else
                specs << QStringLiteral("'(%1)'{%2}'%3%4'").arg(names.join(QLatin1Char(' ')), names.join(QLatin1Char(',')),
                                                                description, value);
        }
        for (qsizetype i = 0; i < e.positionals.size(); ++i) {
            const Command::Positional &p = e.positionals[i];
            specs << QStringLiteral("'%1%2:%3:%4'")
                         .arg(p.optional ? QStringLiteral(":") : QString())
                         .arg(p.repeats ? QStringLiteral("*") : QString::number(i + 1))
                         .arg(p.name, zshQuoted(zshAction(p.values)));
        }
        cases += QStringLiteral("        %1) _arguments -s \\\n            %2 ;;\n")
                     .arg(e.name, specs.join(QStringLiteral(" \\\n            ")));
    }
    return QStringLiteral(R"ZSH(#compdef quillet-cli
# zsh completion for quillet-cli; made by "quillet-cli completion zsh".

# The device names of the FILE on the command line: its first argument that is neither an
# option nor an option's value.
_quillet_cli_devices() {
    local -a valued
    valued=(%3)
    local i word file
    for ((i = 2; i < CURRENT; i++)); do
        word=$words[i]
        if [[ $word == -?* ]]; then
            (( ${valued[(Ie)$word]} )) && ((i++))
            continue
        fi
        file=$word
        break
    done
    [[ -z $file ]] && return 1
    local -a names
    # Without the quotes or escapes it was typed with; a leading ~ is the home folder.
    file=${(Q)file}
    # --macros: the hot macros' names instead; --no-menu: without the main menu.
    local what=--devices
    [[ $1 == --macros ]] && what=--macros && shift
    names=(${(f)"$(quillet-cli completion $what ${file/#\~/$HOME} "$@" 2>/dev/null)"})
    compadd -a names
}

_quillet_cli_serial() {
    local -a devices
    devices=(/dev/ttyS*(N) /dev/ttyUSB*(N) /dev/ttyACM*(N) /dev/pts/<->(N) /dev/serial/by-id/*(N))
    compadd -a devices
}

_quillet-cli() {
    local curcontext=$curcontext state line
    _arguments -C         '(- *)'{-h,--help}'[Show the help.]'         '(- *)--version[Show the version.]'         '1:command:->command'         '*::argument:->argument'
    case $state in
    command)
        local -a commands
        commands=(
%1        )
        _describe -t commands 'quillet-cli command' commands
        ;;
    argument)
        case $words[1] in
%2        esac
        ;;
    esac
}

_quillet-cli "$@"
)ZSH")
        .arg(commands, cases, valuedOptions());
}

// --- fish -------------------------------------------------------------------------------

QString fishQuoted(QString text)
{
    text.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

QString fishValues(Values v)
{
    switch (v) {
    case Values::None: return {};
    case Values::Word: return QStringLiteral(" -x");
    case Values::AnyFile:
    case Values::DataOrModelFile:
    case Values::DataFile:
    case Values::PictureFile:
    case Values::TextFile: return QStringLiteral(" -r -F");
    case Values::Folder: return QStringLiteral(" -x -a '(__fish_complete_directories)'");
    case Values::PictureFormat: return QStringLiteral(" -x -a 'png svg pdf'");
    case Values::DeviceName: return QStringLiteral(" -x -a '(__quillet_cli_devices)'");
    case Values::DeviceNotMenu: return QStringLiteral(" -x -a '(__quillet_cli_devices --no-menu)'");
    case Values::MacroName: return QStringLiteral(" -x -a '(__quillet_cli_devices --macros)'");
    case Values::SerialDevice: return QStringLiteral(" -x -a '(__quillet_cli_serial)'");
    case Values::CommandName: return QStringLiteral(" -x -a '") + commandNames() + QLatin1Char('\'');
    case Values::ShellName: return QStringLiteral(" -x -a 'bash zsh fish'");
    }
    return {};
}

QString fishScript()
{
    QString lines;
    for (const Entry &e : table()) {
        lines += QStringLiteral("complete -c quillet-cli -n __fish_use_subcommand -a %1 -d %2\n")
                     .arg(e.name, fishQuoted(e.description));
        const QString when = QStringLiteral("-n '__fish_seen_subcommand_from %1'").arg(e.name);
        for (const Command::Option &o : e.options) {
            QString names;
            for (const QString &n : o.option.names())
                names += (n.size() == 1 ? QStringLiteral(" -s ") : QStringLiteral(" -l ")) + n;
            lines += QStringLiteral("complete -c quillet-cli %1%2%3 -d %4\n")
                         .arg(when, names, fishValues(o.values), fishQuoted(o.option.description()));
        }
        // Each argument in its place: the count of arguments before the cursor says which.
        for (qsizetype i = 0; i < e.positionals.size(); ++i) {
            const Values v = e.positionals[i].values;
            if (v == Values::None)
                continue;
            const QString count = e.positionals[i].repeats
                                      ? QString()
                                      : QStringLiteral("; and __quillet_cli_argument_count %1").arg(i);
            lines += QStringLiteral("complete -c quillet-cli -n '__fish_seen_subcommand_from %1%2'%3\n")
                         .arg(e.name, count, fishValues(v).replace(QStringLiteral(" -r"), QString()));
        }
    }
    return QStringLiteral(R"FISH(# fish completion for quillet-cli; made by "quillet-cli completion fish".

complete -c quillet-cli -f
complete -c quillet-cli -n __fish_use_subcommand -s h -l help -d 'Show the help.'
complete -c quillet-cli -n __fish_use_subcommand -l version -d 'Show the version.'

# The arguments after the command that are neither options nor options' values.
function __quillet_cli_arguments
    set -l valued %2
    set -l skip 0
    for word in (commandline -opc)[3..-1]
        if test $skip -eq 1
            set skip 0
        else if contains -- $word $valued
            set skip 1
        else if not string match -q -- '-?*' $word
            echo $word
        end
    end
end

function __quillet_cli_argument_count
    test (count (__quillet_cli_arguments)) -eq $argv[1]
end

# The device names of the FILE: the first argument.
function __quillet_cli_devices
    set -l file (__quillet_cli_arguments)[1]
    set -l what --devices
    if test "$argv[1]" = --macros
        set what --macros
        set -e argv[1]
    end
    test -n "$file"; and quillet-cli completion $what $file $argv 2>/dev/null
end

function __quillet_cli_serial
    for device in /dev/ttyS* /dev/ttyUSB* /dev/ttyACM* /dev/pts/* /dev/serial/by-id/*
        string match -qr '^/dev/pts/[^0-9]' -- $device; or echo $device
    end
end

%1)FISH")
        .arg(lines, valuedOptions());
}

}  // namespace

QString completionScript(const QString &shell)
{
    if (shell == QLatin1String("bash"))
        return bashScript();
    if (shell == QLatin1String("zsh"))
        return zshScript();
    if (shell == QLatin1String("fish"))
        return fishScript();
    return {};
}

CompletionCommand::CompletionCommand()
    : Command(QStringLiteral("completion"), QStringLiteral("Print the completion script of a shell."))
{
    addPositional(QStringLiteral("SHELL"), QStringLiteral("bash, zsh or fish."), Values::ShellName, true);
    addOption(QCommandLineOption(kDevices,
                                 QStringLiteral("Print the device names of FILE, one a line, as the scripts complete "
                                                "them."),
                                 QStringLiteral("FILE")),
              Values::DataOrModelFile);
    addOption(QCommandLineOption(kMacros,
                                 QStringLiteral("Print the names of the hot macros of FILE, one a line, as the scripts "
                                                "complete them."),
                                 QStringLiteral("FILE")),
              Values::DataFile);
    addOption(QCommandLineOption(kNoMenu, QStringLiteral("With --devices: leave out the main menu, for the options "
                                                         "that refuse it.")));
}

QString CompletionCommand::usageTail() const
{
    return QStringLiteral("(bash | zsh | fish | --devices FILE [--no-menu] | --macros FILE)");
}

int CompletionCommand::run(const QCommandLineParser &parser, Environment &env)
{
    if (parser.isSet(kMacros)) {
        QString error;
        Document doc;
        if (!loadDocument(env, parser.value(kMacros), doc, &error))
            return fail(env, error);
        if (doc.isModel())
            return fail(env, QStringLiteral("%1 is a model file; hot macros are in data files").arg(doc.shown()));
        QStringList names;
        for (const MacroReading &m : readMacroValues(*doc.image))
            if (const QString name = m.name.trimmed(); !name.isEmpty() && !names.contains(name))
                names << name;
        printText(env, names.isEmpty() ? QString() : names.join(QLatin1Char('\n')) + QLatin1Char('\n'));
        return exitcode::Ok;
    }
    if (parser.isSet(kDevices)) {
        QString error;
        Document doc;
        if (!loadDocument(env, parser.value(kDevices), doc, &error))
            return fail(env, error);
        QStringList names;
        if (doc.isModel()) {
            names << QStringLiteral("model");
        } else {
            for (const DeviceReading &d : readDevices(*doc.image, false))
                names << shownDeviceName(d.name);
            if (!parser.isSet(kNoMenu))
                names << QStringLiteral("menu");
        }
        // One a line, as show takes them: the scripts quote them. A control byte, a line
        // break included, is shown as an escape like everywhere else.
        printText(env, names.join(QLatin1Char('\n')) + QLatin1Char('\n'));
        return exitcode::Ok;
    }
    const QString shell = parser.positionalArguments().value(0);
    if (shell.isEmpty())
        return fail(env, QStringLiteral("SHELL is missing; usage: %1 completion %2")
                             .arg(QLatin1String(ProgramName), usageTail()));
    const QString script = completionScript(shell);
    if (script.isEmpty())
        return fail(env, QStringLiteral("no completion for \"%1\"; choose bash, zsh or fish").arg(shell));
    env.out << script << Qt::flush;
    return exitcode::Ok;
}

}  // namespace quillet::cli
