# bash completion for corvane-cli: commands, each command's options, and file names of the kind
# each argument takes.

_corvane_cli_files() {  # extension pattern, e.g. '@(cvn)'
    local IFS=$'\n'
    COMPREPLY=($(compgen -f -X "!*.$1" -- "$cur") $(compgen -d -- "$cur"))
    compopt -o filenames 2>/dev/null
}

_corvane_cli() {
    local cur prev
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD - 1]}
    local commands="info export-midi render-audio render-image replay play export-musicxml
                    import-midi import-musicxml export-pdf"

    if [ "$COMP_CWORD" -eq 1 ]; then
        COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
        return
    fi
    local command=${COMP_WORDS[1]}

    # The value of an option.
    case $prev in
        --from-measure|--first-measure|--track|--size) return ;;
        --soundfont) _corvane_cli_files '@(sf2|sf3)'; return ;;
        --paper) COMPREPLY=($(compgen -W "a4 letter" -- "$cur")); return ;;
        --score|--save) _corvane_cli_files cvn; return ;;
        --state|--display-list) _corvane_cli_files txt; return ;;
        --image) _corvane_cli_files png; return ;;
    esac

    local options=""
    case $command in
        export-midi|play) options="--from-measure" ;;
        render-audio) options="--from-measure --soundfont" ;;
        render-image) options="--size --first-measure --display-list" ;;
        replay) options="--score --save --state --display-list --image" ;;
        export-pdf) options="--paper --landscape --track" ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options --help" -- "$cur"))
        return
    fi

    # Positional arguments: which one this is, not counting options and their values.
    local i position=0
    for ((i = 2; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
            --size) ((i += 2)) ;;
            --landscape|--help) ;;
            -*) ((i += 1)) ;;
            *) ((position += 1)) ;;
        esac
    done
    case $command:$position in
        info:0|export-midi:0|render-audio:0|render-image:0|play:0|export-musicxml:0|export-pdf:0)
            _corvane_cli_files cvn ;;
        export-midi:1) _corvane_cli_files '@(mid|midi)' ;;
        render-audio:1) _corvane_cli_files '@(wav|flac|ogg)' ;;
        render-image:1) _corvane_cli_files png ;;
        export-musicxml:1) _corvane_cli_files '@(musicxml|xml)' ;;
        export-pdf:1) _corvane_cli_files pdf ;;
        import-midi:0) _corvane_cli_files '@(mid|midi)' ;;
        import-musicxml:0) _corvane_cli_files '@(musicxml|xml|mxl)' ;;
        import-midi:1|import-musicxml:1) _corvane_cli_files cvn ;;
        replay:0) _corvane_cli_files '@(script|txt)' ;;
    esac
}

complete -F _corvane_cli corvane-cli
