"""The subcommands of the `velmora` command, one module each (see velmora_kit.cli)."""
