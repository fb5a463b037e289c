// The npm iptv-playlist-parser as a peer of norvale-channels: reads the file, parses it and sorts
// the items by name, case-insensitively in the locale's order (as the channel list does), then
// prints the item count. usage: node node-parse.js FILE
'use strict';
const fs = require('fs');
const parser = require('iptv-playlist-parser');

const content = fs.readFileSync(process.argv[2], 'utf8');
const items = parser.parse(content).items;
const collator = new Intl.Collator(undefined, { sensitivity: 'accent' });
items.sort((a, b) => collator.compare(a.name, b.name));
console.log(items.length);
