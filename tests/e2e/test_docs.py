"""The manual page and the bash completion, generated at build time, hold
every command word and, under each command, every option that the
command's handler declares, as `mxwarden <command> --help` shows them."""

import os
import re
import subprocess

import sandbox

HELP_WORDS = {"--help", "--help-commands", "--help-legacy"}
# "  --domain-name arg   domain name" or "  -D [ --mail-domain-disabled ] ..."
OPTION_LINE = re.compile(r"^  (?:-\w \[ )?--([A-Za-z0-9][\w-]*)( \]|)( arg)?(?:\s|$)")


def doc_path(name):
    here = os.environ.get("MXWARDEN_DOC_DIR") or os.path.join(
        sandbox.top(), "build", "mail", "postfix")
    return os.path.join(here, name)


def doc_file(name):
    with open(doc_path(name)) as f:
        return f.read()


def man_sections():
    """Command word -> the roff text of its subsection, dashes unescaped."""
    sections = {}
    for chunk in doc_file("mxwarden.8").replace("\\-", "-").split("\n.SS ")[1:]:
        heading, _, body = chunk.partition("\n")
        sections[heading.strip('"').split(", ")[-1]] = body
    return sections


def completion_options():
    """Command word -> the words its completion offers after it."""
    found = re.findall(r"^        (--[\w-]+)\) options='([^']*)' ;;$",
                       doc_file("mxwarden.bash-completion"), re.M)
    return {word: options.split() for word, options in found}


def declared_options(sb, words):
    """Command word -> {option name: takes a value} from its own --help;
    commands that print no option table are left out."""
    script = "".join(f"echo '@@ {w}'; timeout 20 \"$MXWARDEN\" {w} --help 2>&1 </dev/null;"
                     for w in words)
    out = sb.sh(script, env={"MXWARDEN": sandbox.mxwarden()}, timeout=600).stdout
    declared = {}
    for chunk in out.split("@@ ")[1:]:
        word, _, text = chunk.partition("\n")
        if "Allowed options to " not in text:
            continue
        options = {}
        for line in text.split("Allowed options to ", 1)[1].splitlines()[1:]:
            match = OPTION_LINE.match(line)
            if match and match.group(1) != "help":
                options[match.group(1)] = bool(match.group(3))
        declared[word] = options
    return declared


def test_every_command_and_declared_option_is_documented():
    with sandbox.Sandbox() as sb:
        listing = sb.run([sandbox.mxwarden(), "--help-commands"], check=True).stdout
        words = [re.match(r"(?:-\w, )?(\S+)", line).group(1)
                 for line in listing.splitlines()[1:] if line.startswith("-")]
        declared = declared_options(sb, [w for w in words if w not in HELP_WORDS])
    assert len(words) == 76
    assert declared, "no command printed its options"

    man = man_sections()
    completion = doc_file("mxwarden.bash-completion")
    offered = completion_options()
    missing = []
    for word in words:
        if word not in man:
            missing.append(f"{word}: no section in the manual page")
        if f" {word} " not in completion.replace("'", " "):
            missing.append(f"{word}: not among the completion's command words")
    for word, options in declared.items():
        for name, takes_value in options.items():
            if f"--{name}" not in man.get(word, ""):
                missing.append(f"{word} --{name}: not in its manual section")
            want = f"--{name}=" if takes_value else f"--{name}"
            if want not in offered.get(word, []):
                missing.append(f"{word} {want}: not offered by the completion")
    assert missing == [], "\n".join(missing)


def test_manual_page_renders_without_warnings():
    page = doc_path("mxwarden.8")
    env = dict(os.environ, LC_ALL="C.UTF-8", MANWIDTH="80", MANROFFSEQ="")
    for command in (["groff", "-man", "-ww", "-z", page],
                    ["groff", "-man", "-ww", "-z", "-Tutf8", page],
                    ["man", "--warnings", "-E", "UTF-8", "-l", "-Tutf8", "-Z", page]):
        result = subprocess.run(command, env=env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.PIPE, text=True, timeout=60)
        assert (result.returncode, result.stderr) == (0, ""), command
