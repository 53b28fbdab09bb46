# bash completion for quorvane-cli. The commands and their options are read
# from the program's own help, so new commands complete without a change here.

_quorvane_cli()
{
    local cur prev words cword
    _init_completion || return

    local program=${words[0]} command="" at=1
    while ((at < cword)); do
        case ${words[at]} in
            -C) ((at += 2)) ;;
            -*) ((at++)) ;;
            *) command=${words[at]}; break ;;
        esac
    done

    if [[ $prev == -C ]]; then
        _filedir -d
        return
    fi

    if [[ -z $command ]]; then
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W '-C -h --help --version' -- "$cur"))
        else
            # The lines after "Commands:" begin with two spaces and the name.
            local commands
            commands=$("$program" --help 2>/dev/null |
                sed -n '/^Commands:/,/^$/s/^  \([a-z][a-z0-9-]*\) .*/\1/p')
            COMPREPLY=($(compgen -W "$commands" -- "$cur"))
        fi
        return
    fi

    case $prev in
        --file) _filedir; return ;;
        --set | --skin) return ;;
    esac

    if [[ $cur == -* ]]; then
        # The options are those of the command's usage line.
        local options
        options=$("$program" "$command" --help 2>/dev/null | sed -n '1s/^Usage: //p' |
            grep -o -- '--[a-z][a-z0-9-]*')
        COMPREPLY=($(compgen -W "$options --help" -- "$cur"))
        return
    fi

    _filedir
} &&
    complete -F _quorvane_cli quorvane-cli
