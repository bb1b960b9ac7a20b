// esbuild's file loader turns an import of a .wasm file into its URL.
declare module '*.wasm' {
  const url: string;
  export default url;
}
